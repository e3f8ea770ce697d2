target_sources(zendrel_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/change_log.cpp)
