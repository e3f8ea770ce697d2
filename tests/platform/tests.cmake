# Japanese text across the two builds: a program each build runs as one user of a shared
# folder, and on Windows the run that takes turns between the two (under Wine, with the Linux
# build of the same tree).
add_executable(code_page_peer ${CMAKE_CURRENT_LIST_DIR}/code_page_peer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../log/log_files.cpp)
target_link_libraries(code_page_peer PRIVATE zendrel_test_support)
if(WIN32)
  # The Linux build's programs, made first by scripts/test; the run is skipped without them.
  set(ZENDREL_LINUX_TESTS ${PROJECT_SOURCE_DIR}/build/linux/tests)
  add_test(NAME code_page_peers COMMAND python3 ${CMAKE_CURRENT_LIST_DIR}/code_page_peers.py
    ${CMAKE_CROSSCOMPILING_EMULATOR}
    $<TARGET_FILE:code_page_peer> ${ZENDREL_LINUX_TESTS}/code_page_peer
    ${ZENDREL_LINUX_TESTS}/ui_qt_test)
  set_tests_properties(code_page_peers PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300)
endif()

# The INI engine against the Windows build's profile functions under Wine: generated files and
# operation lists run through both builds, compared result by result and byte by byte.
add_executable(ini_peer ${CMAKE_CURRENT_LIST_DIR}/ini_peer.cpp)
target_link_libraries(ini_peer PRIVATE zendrel_test_support)
if(WIN32)
  add_test(NAME ini_peers COMMAND python3 ${CMAKE_CURRENT_LIST_DIR}/ini_peers.py
    ${CMAKE_CROSSCOMPILING_EMULATOR}
    $<TARGET_FILE:ini_peer> ${ZENDREL_LINUX_TESTS}/ini_peer)
  set_tests_properties(ini_peers PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300)
endif()
