zendrel_test(folder_test ${CMAKE_CURRENT_LIST_DIR}/file_status_test.cpp)
