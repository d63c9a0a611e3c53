#!/usr/bin/env bash
# Makes docs/screenshot.png: the window connected to the local chat server,
# on a virtual X display (needs xvfb and xauth).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
cmake --preset release >/dev/null
cmake --build --preset release --target tavik_screenshot tavikserver
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/fonts" "$work/inline"
cp demo/fonts/*.fnt "$work/fonts/"
cp demo/inline/* "$work/inline/"
cp demo/settings.cfg "$work/"
mkdir -p docs
xvfb-run -a -s "-screen 0 1024x768x24" \
    "$root/build/release/tools/tavik_screenshot" "$root/build/release/server/tavikserver" "$work" "$root/docs/screenshot.png"
echo "docs/screenshot.png written"
