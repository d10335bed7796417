# Cross build for 64-bit Windows with Debian's MinGW-w64 (the POSIX-thread
# flavour, package g++-mingw-w64-x86-64-posix, for std::thread). Used by
# scripts/windows-check for the core and its unit tests; no Qt on this side.
#
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
#
# Libraries built for Windows (GoogleTest) and copies of the header-only ones
# are looked for under RQ50_WINDOWS_DEPS (a folder laid out as an install
# prefix), besides the compiler's own sysroot.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(mingwTriple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${mingwTriple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${mingwTriple}-g++-posix)
set(CMAKE_RC_COMPILER ${mingwTriple}-windres)

set(RQ50_WINDOWS_DEPS "" CACHE PATH "Install prefix of the libraries built for Windows")
set(CMAKE_FIND_ROOT_PATH /usr/${mingwTriple} ${RQ50_WINDOWS_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The programs carry the compiler's run-time libraries inside them, so that
# they start without libstdc++-6.dll and friends beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Tests and try_run go through Wine when it is there.
find_program(RQ50_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(RQ50_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${RQ50_WINE})
endif()
