#!/usr/bin/env bash
# Builds and runs every test, in the debug and in the asan configuration: unit,
# offscreen window, end-to-end and the real-display suite (ctest label
# "display": Xvfb with the openbox window manager, driven by xdotool and xclip).
# On a fresh Debian 12 machine it first installs what is missing (needs root or sudo).
set -euo pipefail
cd "$(dirname "$0")"

tools/ensure-packages.sh cmake ninja-build g++ libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev \
    netbase qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev fonts-dejavu-core libxkbcommon-dev \
    qt6-translations-l10n xvfb xauth openbox xdotool xclip x11-utils imagemagick \
    qt6-svg-dev desktop-file-utils appstream dpkg-dev lintian \
    dbus dbus-daemon trayer at-spi2-core python3-pyatspi gir1.2-atspi-2.0

jobs=$(nproc 2>/dev/null || echo 2)
for preset in debug asan; do
    echo "=== $preset ==="
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j "$jobs"
    ctest --preset "$preset" -j "$jobs"
done
echo "All tests passed (debug and asan)."
