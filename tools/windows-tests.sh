#!/usr/bin/env bash
# Cross-builds the engine and its tests for 64-bit Windows with MinGW-w64 and runs
# them under Wine. No display is needed: core_tests.exe is a console program.
# On a fresh Debian 12 machine it first installs what is missing (needs root or sudo).
set -euo pipefail
cd "$(dirname "$0")/.."

tools/ensure-packages.sh cmake ninja-build g++-mingw-w64-x86-64-posix wine64 googletest

build=build/windows
jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B "$build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Debug -DTAVIK_WERROR=ON \
    -DTAVIK_GUI=OFF -DTAVIK_SERVER=OFF -DTAVIK_BENCH=OFF \
    -DTAVIK_GTEST_SOURCES=/usr/src/googletest >/dev/null
cmake --build "$build" --target core_tests -j "$jobs"

# Debian's wine64 package puts its loader and server under /usr/lib/wine.
PATH="$PATH:/usr/lib/wine"
wine=$(command -v wine64 || command -v wine)
# A Wine prefix of our own, made once without any dialog: no Mono or Gecko
# installers (mscoree, mshtml) and no debug chatter.
export WINEPREFIX="$PWD/$build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    "$wine" wineboot --init >/dev/null 2>&1 || true
    wineserver -w || true
fi
"$wine" "$build/tests/core_tests.exe" "$@"
wineserver -w  # let Wine's server end before we do
echo "Windows tests (MinGW-w64, Wine) passed."
