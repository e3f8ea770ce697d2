# Win32 chooser tests: the compiled templates and the real dialogs, driven under Wine.
zendrel_test(chooser_win32_test
  ui/win32/dialog_template_test.cpp
  ui/win32/chooser_win32_test.cpp
)
target_link_libraries(chooser_win32_test PRIVATE zendrel_ui zendrel_resources)

# Not a test: the chooser held open for scripts/screenshot-windows.
add_executable(chooser_screenshot ui/win32/chooser_screenshot.cpp)
target_link_libraries(chooser_screenshot PRIVATE zendrel_ui zendrel_resources)
