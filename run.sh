#!/usr/bin/env bash
# Starts the local chat server with its simulated chatters and the client,
# in a working directory prepared from demo/ (fonts, inline pictures, sounds
# and a settings.cfg that lists the local server first). On a fresh Debian 12
# machine it first installs what is missing (needs root or sudo).
#
#   ./run.sh                 # needs a display
#   xvfb-run -a ./run.sh     # without one
set -euo pipefail
cd "$(dirname "$0")"
root=$(pwd)

tools/ensure-packages.sh cmake ninja-build g++ netbase qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev \
    fonts-dejavu-core libxkbcommon-dev libgtest-dev libgmock-dev qt6-translations-l10n

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "run.sh: there is no display to show the window on (DISPLAY and WAYLAND_DISPLAY are empty)." >&2
    echo "        Start it inside a desktop session, or under a virtual display:" >&2
    echo "            sudo apt-get install -y xvfb xauth && xvfb-run -a ./run.sh" >&2
    exit 1
fi

cmake --preset release >/dev/null
cmake --build --preset release --target tavikclient tavikserver

# The working directory lives in the build tree, outside the tracked files.
work="$root/build/demo"
mkdir -p "$work/fonts" "$work/inline" "$work/Sounds" "$work/LogFiles"
cp -n demo/fonts/*.fnt "$work/fonts/" 2>/dev/null || true
cp -n demo/inline/* "$work/inline/" 2>/dev/null || true
cp -n demo/Sounds/*.wav "$work/Sounds/" 2>/dev/null || true
[ -f "$work/settings.cfg" ] || cp demo/settings.cfg "$work/settings.cfg"

port=${TAVIK_PORT:-3001}
"$root/build/release/server/tavikserver" --port "$port" >"$work/server.log" 2>&1 &
server=$!
trap 'kill "$server" 2>/dev/null || true' EXIT
sleep 0.3
if ! kill -0 "$server" 2>/dev/null; then
    echo "run.sh: the local chat server did not start (see $work/server.log):" >&2
    cat "$work/server.log" >&2
    exit 1
fi
echo "Local chat server on localhost:$port (log: $work/server.log). Connect with \"Verbinden\"."
cd "$work"
"$root/build/release/src/gui/tavikclient"
