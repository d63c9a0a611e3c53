#!/usr/bin/env bash
# Makes the Windows packages of TavikClient on a Debian 12 machine, in one go:
#   build/windows/TavikClient-<version>-setup.exe     (NSIS installer, "/S" is silent)
#   build/windows/TavikClient-<version>-portable.zip  (runs from any folder)
# It installs what is missing (needs root or sudo), builds Qt for MinGW-w64 once
# into the cache (tools/windows-qt.sh), cross-builds the client and its tests with
# warnings as errors, and collects what the program needs beside it: there is no
# windeployqt for a cross build, so the DLLs come from what the programs import.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

tools/ensure-packages.sh cmake ninja-build g++ g++-mingw-w64-x86-64-posix nsis googletest \
    qt6-translations-l10n binutils-mingw-w64-x86-64

tools/windows-qt.sh
qt=$(tools/windows-qt.sh --print-prefix)
[ -f "$qt/.tavik-complete" ] || { echo "windows-package: no Qt for MinGW-w64 in $qt" >&2; exit 1; }

out=build/windows
build=$out/build
version=$(sed -n 's/^project(TavikClient VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
jobs=$(nproc 2>/dev/null || echo 2)

# The local server, built for this machine (it is POSIX only): the test of the
# installed program under Wine (tests/windows) talks to it.
host=build/windows-host
cmake -S . -B "$host" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTAVIK_WERROR=ON \
    -DTAVIK_GUI=OFF -DTAVIK_BENCH=OFF -DBUILD_TESTING=OFF >/dev/null
cmake --build "$host" --target tavikserver -j "$jobs"

# One C++ runtime for the program and Qt: both use the compiler's DLLs. -O2, not
# CMake's -O3: at -O3 MinGW's GCC 12 sees overlapping copies in libstdc++'s string
# concatenation that cannot happen (GCC bug 105329) and warns.
cmake -S . -B "$build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DTAVIK_MINGW_STATIC_RUNTIME=OFF \
    -DCMAKE_BUILD_TYPE=Release -DTAVIK_WERROR=ON \
    -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
    -DTAVIK_GUI=ON -DTAVIK_SERVER=OFF -DTAVIK_BENCH=OFF \
    -DTAVIK_GTEST_SOURCES=/usr/src/googletest \
    -DCMAKE_PREFIX_PATH="$qt" -DQT_HOST_PATH=/usr \
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DTAVIK_HOST_SERVER="$root/$host/server/tavikserver" >/dev/null
cmake --build "$build" --target tavikclient core_tests gui_tests -j "$jobs"

# --- The folder the installer and the zip are made of.
stage=$out/stage/TavikClient
rm -rf "$out/stage"
mkdir -p "$stage"
objdump=x86_64-w64-mingw32-objdump
search=("$qt/bin" /usr/lib/gcc/x86_64-w64-mingw32/12-posix /usr/x86_64-w64-mingw32/lib)

# Copies $1 into $2 and, in turn, every DLL it imports that is found in the
# search folders; the others are Windows' own.
declare -A copied=()
deploy() {
    local file=$1 into=$2 dll dir
    cp "$file" "$into/"
    while read -r dll; do
        [ -n "${copied[${dll,,}]:-}" ] && continue
        for dir in "${search[@]}"; do
            if [ -f "$dir/$dll" ]; then
                copied[${dll,,}]=1
                deploy "$dir/$dll" "$stage"
                break
            fi
        done
    done < <("$objdump" -p "$file" | sed -n 's/^\s*DLL Name: //p')
}
deploy "$build/src/gui/tavikclient.exe" "$stage"
# Plugins Qt loads by name: the Windows platform and the native style.
mkdir -p "$stage/platforms" "$stage/styles" "$stage/translations"
deploy "$qt/plugins/platforms/qwindows.dll" "$stage/platforms"
deploy "$qt/plugins/styles/qwindowsvistastyle.dll" "$stage/styles"
# Qt's own texts (buttons, the font dialog) in German. Qt looks for them, and for
# its plugins, relative to the program's folder, as qt.conf says.
cp /usr/share/qt6/translations/qtbase_de.qm "$stage/translations/"
printf '[Paths]\r\nPrefix = .\r\nPlugins = .\r\nTranslations = translations\r\n' >"$stage/qt.conf"
x86_64-w64-mingw32-strip --strip-unneeded "$stage"/*.exe "$stage"/*.dll "$stage"/*/*.dll

# The default fonts, pictures and sounds, copied into the data folder on the
# first start (as from /usr/share/tavikclient on Linux).
for part in fonts inline Sounds; do
    mkdir -p "$stage/defaults/$part"
    find "demo/$part" -maxdepth 1 -type f ! -name '*.py' -exec cp {} "$stage/defaults/$part/" \;
done
cp packaging/copyright "$stage/copyright.txt"

# --- The installer.
setup=$out/TavikClient-$version-setup.exe
makensis -V2 -DVERSION="$version" -DSTAGE="$root/$stage" -DICON="$root/res/windows/tavikclient.ico" \
    -DOUTFILE="$root/$setup" packaging/windows/tavikclient.nsi

# --- The portable archive: the same files and the marker that keeps the
# program's files beside it.
portable=$out/stage/TavikClient-$version
cp -r "$stage" "$portable"
sed 's/$/\r/' packaging/windows/portable.txt >"$portable/portable.txt"  # for Notepad
zip=$out/TavikClient-$version-portable.zip
rm -f "$zip"
(cd "$out/stage" && cmake -E tar cf "$root/$zip" --format=zip "TavikClient-$version")

ls -l "$setup" "$zip"
