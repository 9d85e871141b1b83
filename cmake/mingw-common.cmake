# Shared part of the MinGW-w64 toolchain files; expects TOLLIVOX_MINGW_TRIPLE.
set(CMAKE_SYSTEM_NAME Windows)

# The -posix compilers provide std::thread, which the tests use. The shipped programs need no
# threads: their build takes the -win32 compilers (TOLLIVOX_MINGW_THREADS=win32), whose runtime
# leaves out the POSIX thread library, a tenth of the program.
if(NOT TOLLIVOX_MINGW_THREADS)
  set(TOLLIVOX_MINGW_THREADS posix)
endif()
set(CMAKE_C_COMPILER ${TOLLIVOX_MINGW_TRIPLE}-gcc-${TOLLIVOX_MINGW_THREADS})
set(CMAKE_CXX_COMPILER ${TOLLIVOX_MINGW_TRIPLE}-g++-${TOLLIVOX_MINGW_THREADS})
set(CMAKE_RC_COMPILER ${TOLLIVOX_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TOLLIVOX_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test binaries run through Wine on the build machine. The Debian wrapper "wine" picks the
# 32- or 64-bit loader from the executable itself.
find_program(TOLLIVOX_WINE NAMES wine wine-stable wine64)
if(TOLLIVOX_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TOLLIVOX_WINE})
endif()
