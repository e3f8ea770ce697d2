# 64-bit Windows: the test build for machines whose kernel runs no 32-bit programs (Wine
# then cannot run the 32-bit build).
set(zendrel_mingw_processor x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
