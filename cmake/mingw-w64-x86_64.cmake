# Cross-compiling the Windows programs on Debian with mingw-w64 (the posix
# thread model, which std::thread needs), against the Windows libraries that
# Debian builds for it under /usr/x86_64-w64-mingw32.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(ZT_MINGW x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${ZT_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZT_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${ZT_MINGW}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${ZT_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Static archives only: the programs must run with nothing but Windows' own DLLs.
set(CMAKE_FIND_LIBRARY_SUFFIXES .a)


# The programs run through Wine on the build machine, in a prefix of the build
# folder (made on the first run), without Wine's debugging messages.
set(CMAKE_CROSSCOMPILING_EMULATOR env WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix WINEDEBUG=-all wine)
set(ZLIB_USE_STATIC_LIBS ON)
