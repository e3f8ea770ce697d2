target_sources(zendrel_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/change_log.cpp
  ${CMAKE_CURRENT_LIST_DIR}/customisation.cpp)
# The lock that writers of one shared change log take, one implementation per platform.
if(WIN32)
  target_sources(zendrel_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/../platform/win32/file_lock_win32.cpp)
else()
  target_sources(zendrel_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/../platform/posix/file_lock_posix.cpp)
endif()
