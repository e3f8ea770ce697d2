target_sources(zendrel_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/folder_settings.cpp
  ${CMAKE_CURRENT_LIST_DIR}/apply_choice.cpp
)
