#!/usr/bin/env bash
# Makes docs/screenshot.png: the window connected to the local chat server,
# with its frame and title, on a virtual X display with the openbox window
# manager (needs xvfb, xauth and openbox). TAVIK_PRESET picks the build
# (default release).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
preset=${TAVIK_PRESET:-release}
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target tavik_screenshot tavikserver
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/fonts" "$work/inline"
cp demo/fonts/*.fnt "$work/fonts/"
cp demo/inline/* "$work/inline/"
cp demo/settings.cfg "$work/"
mkdir -p docs
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    openbox --sm-disable >/dev/null 2>&1 &
    wm=$!
    for _ in $(seq 1 100); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
        sleep 0.1
    done
    "$@"
    rc=$?
    kill "$wm"
    exit $rc
' screenshot "$root/build/$preset/tools/tavik_screenshot" "$root/build/$preset/server/tavikserver" "$work" \
    "$root/docs/screenshot.png"
echo "docs/screenshot.png written"
