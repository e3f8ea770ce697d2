target_sources(zendrel_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/folder_settings.cpp
  ${CMAKE_CURRENT_LIST_DIR}/apply_choice.cpp
)
# The folder operations beneath them, one implementation per platform.
if(WIN32)
  target_sources(zendrel_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../platform/win32/folder_ops_win32.cpp)
else()
  target_sources(zendrel_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../platform/posix/folder_ops_posix.cpp)
endif()
