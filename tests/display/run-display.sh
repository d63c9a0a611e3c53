#!/usr/bin/env bash
# Runs the display tests on a virtual X server with the openbox window manager.
#   run-display.sh DISPLAY_TESTS_BINARY [gtest options]
set -euo pipefail
for tool in xvfb-run xauth openbox xdotool xclip xprop; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "display tests skipped: $tool is not installed (packages xvfb xauth openbox xdotool xclip x11-utils)"
        exit 77
    fi
done
binary=$1
shift
runtime=$(mktemp -d)
chmod 700 "$runtime"
trap 'rm -rf "$runtime"' EXIT
export XDG_RUNTIME_DIR=$runtime QT_QPA_PLATFORM=xcb
# In the asan build: what the system's D-Bus library keeps is not ours.
export LSAN_OPTIONS="suppressions=$(cd "$(dirname "$0")" && pwd)/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"

# A session bus of the run's own (the notification tests put their own
# notification service on it); without dbus-run-session those tests are skipped.
bus=()
if command -v dbus-run-session >/dev/null 2>&1; then
    bus=(dbus-run-session --)
fi

# Inside the virtual display: start the window manager, wait until it has
# announced itself on the root window, run the tests, stop the manager.
"${bus[@]}" xvfb-run -a -s "-screen 0 1280x900x24 -nolisten tcp" bash -c '
    set -u
    openbox --sm-disable >/dev/null 2>&1 &
    wm=$!
    for _ in $(seq 1 100); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
        sleep 0.1
    done
    if ! xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; then
        echo "openbox did not start" >&2
        kill "$wm" 2>/dev/null
        exit 1
    fi
    "$@"
    rc=$?
    kill "$wm" 2>/dev/null
    wait "$wm" 2>/dev/null
    exit $rc
' run-display "$binary" "$@"
