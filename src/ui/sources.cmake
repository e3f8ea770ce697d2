target_sources(zendrel_ui PRIVATE ${CMAKE_CURRENT_LIST_DIR}/icon_chooser_dialog.cpp)
