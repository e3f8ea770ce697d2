# Windows with MinGW-w64's posix thread model (GoogleTest needs std::condition_variable), for
# the processor the including toolchain file names in zendrel_mingw_processor.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${zendrel_mingw_processor})
set(CMAKE_C_COMPILER ${zendrel_mingw_processor}-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER ${zendrel_mingw_processor}-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER ${zendrel_mingw_processor}-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${zendrel_mingw_processor}-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
