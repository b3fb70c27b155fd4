# Cross build for 64-bit Windows with Debian's MinGW-w64 compiler (the posix thread model, for
# std::thread): cmake -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw64.cmake ...
# scripts/build-windows.sh installs the compiler and builds the libraries this needs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(tarnexMingw x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${tarnexMingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${tarnexMingw}-g++-posix)
set(CMAKE_RC_COMPILER ${tarnexMingw}-windres)

# Libraries come from the compiler's own sysroot and from TARNEX_WINDOWS_PREFIX, where the build
# script installs what it builds; never from the build machine's /usr.
set(CMAKE_FIND_ROOT_PATH /usr/${tarnexMingw} ${TARNEX_WINDOWS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TARNEX_WINDOWS_PREFIX)

# Tests and other built programs run under Wine.
find_program(TARNEX_WINE NAMES wine wine64)
if(TARNEX_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TARNEX_WINE})
endif()
