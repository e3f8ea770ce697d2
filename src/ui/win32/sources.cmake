# The chooser and About box as Win32 dialogs.
target_sources(zendrel_ui_win32 PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/chooser_dialog_win32.cpp
  ${CMAKE_CURRENT_LIST_DIR}/about_box_win32.cpp
)
target_link_libraries(zendrel_ui_win32 PUBLIC comctl32 shlwapi user32 gdi32)

# The resources as objects of their own, compiled with this folder's resource flags (the
# script is UTF-8): a test program that opens a dialog links them, as the application embeds
# them. A static library would lose them, since no code refers to them by symbol.
# The manifest names the processor the program is built for.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(ZENDREL_MANIFEST_ARCH amd64)
else()
  set(ZENDREL_MANIFEST_ARCH x86)
endif()
configure_file(${CMAKE_CURRENT_LIST_DIR}/zendrel.manifest.in
  ${CMAKE_CURRENT_BINARY_DIR}/zendrel.manifest @ONLY)
add_library(zendrel_resources OBJECT ${CMAKE_CURRENT_LIST_DIR}/zendrel.rc)
set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/zendrel.rc PROPERTIES OBJECT_DEPENDS
  "${PROJECT_SOURCE_DIR}/assets/app.ico;${PROJECT_SOURCE_DIR}/assets/unknown.ico;${CMAKE_CURRENT_LIST_DIR}/resource_ids.h;${CMAKE_CURRENT_BINARY_DIR}/zendrel.manifest;${CMAKE_CURRENT_LIST_DIR}/../strings.h")
# The generated manifest is found beside the other build files.
target_include_directories(zendrel_resources PRIVATE ${PROJECT_SOURCE_DIR}/src ${CMAKE_CURRENT_BINARY_DIR})
