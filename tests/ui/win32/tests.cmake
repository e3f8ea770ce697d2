# Win32 chooser tests: the compiled templates and the real dialogs, driven under Wine.
zendrel_test(chooser_win32_test
  ui/win32/dialog_template_test.cpp
  ui/win32/chooser_win32_test.cpp
)
target_link_libraries(chooser_win32_test PRIVATE zendrel_ui_win32 zendrel_resources)

# Not a test: the chooser held open for scripts/screenshot-windows.
add_executable(chooser_screenshot ui/win32/chooser_screenshot.cpp)
target_link_libraries(chooser_screenshot PRIVATE zendrel_ui_win32 zendrel_resources)

# The resources of the built program, read as the system reads them.
target_sources(chooser_win32_test PRIVATE ui/win32/resources_test.cpp)
target_compile_definitions(chooser_win32_test PRIVATE ZENDREL_EXE="$<TARGET_FILE:Zendrel>")
target_link_libraries(chooser_win32_test PRIVATE version ole32 oleaut32 uuid)
add_dependencies(chooser_win32_test Zendrel)

# The chooser at 192 DPI (LogPixels) in a Wine prefix of its own: the list holds 64-pixel
# images, and a move to a screen of another DPI changes them.
set(zendrel_wine_arch)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(zendrel_wine_arch --win64)
endif()
add_test(NAME chooser_192dpi_test
  COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/ui/win32/run_at_dpi ${zendrel_wine_arch}
          ${CMAKE_BINARY_DIR}/wine-prefix-192dpi 192
          $<TARGET_FILE:chooser_win32_test> --gtest_brief=1
          --gtest_filter=ChooserWindow.IconsFollowTheDialogsDpi:ChooserWindow.TheListIsACommonControls6ListView)
set_tests_properties(chooser_192dpi_test PROPERTIES TIMEOUT 300)
