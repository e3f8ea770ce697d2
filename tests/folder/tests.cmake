zendrel_test(folder_test
  ${CMAKE_CURRENT_LIST_DIR}/folder_fixture.cpp
  ${CMAKE_CURRENT_LIST_DIR}/file_status_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/folder_settings_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/apply_choice_test.cpp
)
if(WIN32)
  # The program's own icons come from its resources.
  target_link_libraries(folder_test PRIVATE zendrel_resources)
endif()
