# Change log tests, and the small program that plays one of several users writing one log.
zendrel_test(log_test
  ${CMAKE_CURRENT_LIST_DIR}/change_log_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/shared_log_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/child_process.cpp
  ${CMAKE_CURRENT_LIST_DIR}/log_files.cpp
)
add_executable(log_writer_child ${CMAKE_CURRENT_LIST_DIR}/log_writer_child.cpp
  ${CMAKE_CURRENT_LIST_DIR}/log_files.cpp)
target_link_libraries(log_writer_child PRIVATE zendrel_test_support)
add_dependencies(log_test log_writer_child)
target_compile_definitions(log_test PRIVATE ZENDREL_LOG_CHILD="$<TARGET_FILE:log_writer_child>")
if(NOT WIN32)
  # The Linux engine makes each confirmation one atomic step; killed confirmations prove it.
  target_sources(log_test PRIVATE ${CMAKE_CURRENT_LIST_DIR}/crash_test.cpp)
endif()
