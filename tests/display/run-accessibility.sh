#!/usr/bin/env bash
# Runs accessibility_test.py on a virtual X server with openbox and a D-Bus
# session of its own, on which the accessibility bus is started.
#   run-accessibility.sh TAVIKCLIENT TAVIKSERVER DEMO_DIR OUT_DIR
set -euo pipefail
python=/usr/bin/python3
[ -x "$python" ] || python=$(command -v python3 || true)
for tool in xvfb-run xauth openbox xdotool xprop import dbus-run-session; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "accessibility test skipped: $tool is not installed (packages xvfb xauth openbox xdotool x11-utils imagemagick dbus)"
        exit 77
    fi
done
if [ -z "$python" ] || ! "$python" -c 'import pyatspi' 2>/dev/null || [ ! -x /usr/libexec/at-spi-bus-launcher ]; then
    echo "accessibility test skipped: no AT-SPI (packages at-spi2-core python3-pyatspi gir1.2-atspi-2.0)"
    exit 77
fi
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$4"
runtime=$(mktemp -d)
chmod 700 "$runtime"
trap 'rm -rf "$runtime"' EXIT
export XDG_RUNTIME_DIR=$runtime QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
export LSAN_OPTIONS="suppressions=$here/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
xvfb-run -a -s "-screen 0 1280x900x24 -nolisten tcp" dbus-run-session -- bash -c '
    set -u
    openbox --sm-disable >/dev/null 2>&1 &
    wm=$!
    for _ in $(seq 1 100); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
        sleep 0.1
    done
    "$@"
    rc=$?
    kill "$wm" 2>/dev/null
    wait "$wm" 2>/dev/null
    exit $rc
' run-accessibility "$python" "$here/accessibility_test.py" "$@"
