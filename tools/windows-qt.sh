#!/usr/bin/env bash
# Builds Qt 6.4.2 (qtbase) for 64-bit Windows with MinGW-w64 from Debian's own source
# package, the same version as the host's Qt tools (moc, rcc, uic), which the cross
# build uses through -qt-host-path. Only what the client needs is built: Core, Gui,
# Widgets, Network, Test, the windows and offscreen platform plugins.
#
# The result goes into a cache folder outside the work tree whose name carries a hash
# of the recipe below (the Qt version, the toolchain and the configure options), so a
# changed recipe makes a new folder and an unchanged one costs nothing. A stamp file is
# written only after a complete install: a build that was cut off is done again.
#
#   tools/windows-qt.sh                 builds if needed; prints the prefix last
#   tools/windows-qt.sh --print-prefix  only prints where the prefix is
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

# --- The recipe. Everything that changes what is built belongs here, as it goes
# into the folder's name.
qt_version=6.4.2
recipe_revision=1 # raise when the steps below change what they make

# The compilers of Debian's posix flavour of MinGW-w64 (std::thread needs it).
toolchain='set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)'

# What the client does not use is left out, which is most of the build time: no OpenGL
# (the window paints with the raster engine), no D-Bus, SQL, PrintSupport, Concurrent,
# Xml, no SSL (the chat is plain telnet), no ICU (the client converts Windows-1252 with
# its own table), no HarfBuzz (Windows' own text shaping does for Western text), no
# graphics view, no Markdown or ODF text, no JPEG or GIF reader, no examples and no
# tests. FreeType stays: the offscreen platform of the tests draws text with it.
options=(
    -release -shared
    -xplatform win32-g++ -qt-host-path /usr
    -nomake examples -nomake tests
    -no-opengl -no-dbus -no-icu -no-ssl -no-openssl -no-schannel -no-harfbuzz
    -no-gif -no-libjpeg -qt-libpng -qt-zlib -qt-pcre -qt-freetype
    -no-feature-sql -no-feature-printsupport -no-feature-concurrent -no-feature-xml
    -no-feature-vulkan -no-feature-networklistmanager -no-feature-graphicsview
    -no-feature-textmarkdownreader -no-feature-textmarkdownwriter -no-feature-textodfwriter
)
cmake_options=(
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
    # -O1 instead of Qt's -O2: a third less compile time, and the window does not
    # notice (it shows text; the work is in the engine, which keeps its own flags).
    -DQT_USE_DEFAULT_CMAKE_OPTIMIZATION_FLAGS=ON
    "-DCMAKE_C_FLAGS_RELEASE=-O1 -DNDEBUG" "-DCMAKE_CXX_FLAGS_RELEASE=-O1 -DNDEBUG"
)
# Changes to Debian's sources. Debian leaves out src/3rdparty/wintab (the Wintab
# headers are not free), so the windows platform is built without Wintab tablets
# (pens still work through Windows' own pointer messages). The Direct2D platform, a
# second copy of the windows one that the client never loads, is not built.
patch_sources() {
    local windows=$1/src/plugins/platforms/windows
    sed -i 's/QT_CONFIG(tabletevent)/0/' "$windows"/qwindowscontext.cpp \
        "$windows"/qwindowspointerhandler.cpp "$windows"/qwindowspointerhandler.h
    sed -i 's/CONDITION QT_FEATURE_tabletevent/CONDITION FALSE/' "$windows"/CMakeLists.txt
    sed -i 's/^if(QT_FEATURE_direct2d1_1 AND QT_FEATURE_directwrite)$/if(FALSE)/' \
        "$1"/src/plugins/platforms/CMakeLists.txt
}
# --- End of the recipe.

cache=${XDG_CACHE_HOME:-$HOME/.cache}/tavikclient
recipe_hash=$(printf '%s\n' "$qt_version" "$recipe_revision" "$toolchain" "${options[@]}" "${cmake_options[@]}" \
    "$(declare -f patch_sources)" | sha256sum | cut -c1-10)
prefix="$cache/qt-$qt_version-mingw-$recipe_hash"
stamp="$prefix/.tavik-complete"

if [ "${1:-}" = "--print-prefix" ]; then
    echo "$prefix"
    exit 0
fi
if [ -f "$stamp" ]; then
    echo "Qt $qt_version for MinGW-w64 is in the cache."
    echo "$prefix"
    exit 0
fi

"$here/ensure-packages.sh" cmake ninja-build g++-mingw-w64-x86-64-posix \
    qt6-base-dev qt6-base-dev-tools xz-utils

work="$cache/qt-build-$recipe_hash"
rm -rf "$work" "$prefix"
mkdir -p "$work/apt/lists/partial"
start=$(date +%s)

# Debian's source packages through a private apt configuration: the machine's own lists
# stay as they are. The archive and its key are those of the first stanza of the
# machine's Debian entry.
sources=/etc/apt/sources.list.d/debian.sources
uri=$(awk '/^URIs:/ {print $2; exit}' "$sources" 2>/dev/null || true)
key=$(awk '/^Signed-By:/ {print $2; exit}' "$sources" 2>/dev/null || true)
cat >"$work/apt/src.sources" <<EOF
Types: deb-src
URIs: ${uri:-http://deb.debian.org/debian}
Suites: bookworm
Components: main
Signed-By: ${key:-/usr/share/keyrings/debian-archive-keyring.gpg}
EOF
apt_opts=(-o Dir::Etc::sourcelist="$work/apt/src.sources" -o Dir::Etc::sourceparts=/dev/null
    -o Dir::State::Lists="$work/apt/lists")
apt-get "${apt_opts[@]}" -q update
(cd "$work/apt" && apt-get "${apt_opts[@]}" -q source --download-only qt6-base)
tarball=$(ls "$work"/apt/qt6-base_"$qt_version"*.orig.tar.xz 2>/dev/null) || {
    echo "windows-qt: Debian's qt6-base source is not version $qt_version:" "$work"/apt/*.orig.tar.* >&2
    exit 1
}
tar -C "$work" -xf "$tarball"
src=$(ls -d "$work"/qtbase-everywhere-src-*)
patch_sources "$src"
printf '%s\n' "$toolchain" >"$work/toolchain.cmake"

mkdir -p "$work/build"
cd "$work/build"
"$src/configure" -prefix "$prefix" "${options[@]}" -- \
    -DCMAKE_TOOLCHAIN_FILE="$work/toolchain.cmake" "${cmake_options[@]}"
# Four jobs per core: the compilers wait on the disk now and then, and on a machine
# that builds other things at the same time this build still gets its share.
cmake --build . --parallel "$((4 * $(nproc 2>/dev/null || echo 2)))"
cmake --install .
end=$(date +%s)
echo "Qt $qt_version for MinGW-w64 built in $(((end - start) / 60)) min $(((end - start) % 60)) s."

touch "$stamp"
cd "$cache"
rm -rf "$work"
echo "$prefix"
