# Chooser dialog tests: the handlers through a window of the test's own on both builds, and
# on Linux the real Qt widgets.
zendrel_test(ui_test ${CMAKE_CURRENT_LIST_DIR}/icon_chooser_dialog_test.cpp)
target_link_libraries(ui_test PRIVATE zendrel_ui)

if(WIN32)
  # The About command's text comes from the string table.
  target_link_libraries(ui_test PRIVATE zendrel_resources)
else()
  find_package(Qt6 REQUIRED COMPONENTS Test)
  zendrel_test(ui_qt_test ${CMAKE_CURRENT_LIST_DIR}/chooser_qt_test.cpp)
  target_link_libraries(ui_qt_test PRIVATE zendrel_ui_qt Qt6::Test)
  # No display needed: the widgets draw offscreen. The time limit ends a modal box that a
  # broken test would leave waiting.
  set_tests_properties(ui_qt_test PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 120)

  # For a look at the dialogs (screenshots); not run by ctest.
  add_executable(ui_look ${CMAKE_CURRENT_LIST_DIR}/chooser_look.cpp)
  target_link_libraries(ui_look PRIVATE zendrel_ui_qt)
endif()
