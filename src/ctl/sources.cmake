# zendrelctl (Linux) and zendrelctl.exe (a Windows console program).
#
# JSON comes from the header-only nlohmann library of the build machine. The cross build sees
# it through a folder that holds nothing else, so no other header of the machine's own C
# library can take the place of the cross compiler's.
find_path(ZENDREL_NLOHMANN_ROOT nlohmann/json.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH
          REQUIRED)
set(ZENDREL_JSON_INCLUDE ${CMAKE_BINARY_DIR}/json-include)
file(MAKE_DIRECTORY ${ZENDREL_JSON_INCLUDE})
file(CREATE_LINK ${ZENDREL_NLOHMANN_ROOT}/nlohmann ${ZENDREL_JSON_INCLUDE}/nlohmann SYMBOLIC)

add_library(zendrel_ctl STATIC
  ${CMAKE_CURRENT_LIST_DIR}/commands.cpp
  ${CMAKE_CURRENT_LIST_DIR}/messages.cpp
  $<IF:$<BOOL:${WIN32}>,${CMAKE_CURRENT_LIST_DIR}/console_win32.cpp,${CMAKE_CURRENT_LIST_DIR}/console_posix.cpp>
)
target_include_directories(zendrel_ctl SYSTEM PUBLIC ${ZENDREL_JSON_INCLUDE})
target_link_libraries(zendrel_ctl PUBLIC zendrel_log zendrel_ui)

add_executable(zendrelctl ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
target_link_libraries(zendrelctl PRIVATE zendrel_ctl)
if(WIN32)
  # The program's own icons (the unknown-icon folder stands in for a current icon that does
  # not open).
  target_link_libraries(zendrelctl PRIVATE zendrel_resources)
endif()
