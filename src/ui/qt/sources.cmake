# The chooser and About box as Qt widgets.
target_sources(zendrel_ui_qt PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/about_box_qt.cpp
  ${CMAKE_CURRENT_LIST_DIR}/chooser_dialog_qt.cpp
)
