#!/usr/bin/env bash
# Pictures of the message list (links, find marks, tinted whispers) in a light
# and a dark palette, on a virtual X display with openbox:
#   tools/listshots.sh [out-directory]      (default build/listshots)
# TAVIK_PRESET picks the build (default release).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
preset=${TAVIK_PRESET:-release}
out=${1:-$root/build/listshots}
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    openbox --sm-disable >/dev/null 2>&1 &
    wm=$!
    for _ in $(seq 1 100); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
        sleep 0.1
    done
    for palette in light dark; do
        mkdir -p "$3/$palette/fonts" "$3/$palette/inline"
        cp "$5"/fonts/*.fnt "$3/$palette/fonts/"
        cp "$5"/inline/* "$3/$palette/inline/"
        cp "$5"/settings.cfg "$3/$palette/"
        "$1" "$2" "$3/$palette" "$4/$palette" "$palette" || exit 1
    done
    kill "$wm"
' listshots "$root/build/$preset/tools/tavik_listshots" "$root/build/$preset/server/tavikserver" "$work" "$out" \
    "$root/demo"
