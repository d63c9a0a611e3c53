# Cross build for 64-bit Windows with Debian's MinGW-w64 (package g++-mingw-w64-x86-64-posix).
# The posix flavour gives std::thread and friends. The engine's programs are linked statically
# so that they run on any Windows (or under Wine) without the compiler's DLLs beside them; the
# window's build (tools/windows-package.sh) sets TAVIK_MINGW_STATIC_RUNTIME=OFF, as Qt's DLLs use
# the compiler's DLLs and the program must share that one C++ runtime with them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TAVIK_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TAVIK_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TAVIK_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TAVIK_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TAVIK_MINGW_PREFIX})
# Qt for MinGW-w64 (tools/windows-qt.sh) is given as CMAKE_PREFIX_PATH; it is a root of its own.
if(CMAKE_PREFIX_PATH)
  list(APPEND CMAKE_FIND_ROOT_PATH ${CMAKE_PREFIX_PATH})
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

if(NOT DEFINED TAVIK_MINGW_STATIC_RUNTIME OR TAVIK_MINGW_STATIC_RUNTIME)
  set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
endif()

# ctest runs the test programs under Wine when it is there.
find_program(TAVIK_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(TAVIK_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TAVIK_WINE})
endif()
