#!/usr/bin/env bash
# The Windows program as a user gets it, under Wine on a virtual display:
#   run-installed.sh SETUP_EXE TAVIKSERVER OUTDIR VERSION
# 1. installs SETUP_EXE silently ("/S") into a fresh Wine prefix whose user is
#    called "Jürgen" (so the data folder's path has an umlaut) and checks what it
#    put where: the program under Program Files, the start menu entry, the entry
#    in Add/Remove Programs;
# 2. starts the installed tavikclient.exe on Xvfb with openbox against the local
#    server (built for this machine, recording what it receives), connects and
#    logs in by keyboard, types a line with umlauts and checks the bytes the server
#    got; takes screenshots into OUTDIR (OUTDIR/*.png, for a look by eye);
# 3. checks that the program kept its files in %APPDATA%\TavikClient, not under
#    Program Files, and that the silent uninstaller leaves that folder alone.
# Exit status 77 (skipped, with the reason) when a tool is missing.
set -euo pipefail
setup=$1
server=$2
out=$3
version=$4

skip() {
    echo "windows-display test skipped: $*"
    exit 77
}
[ -f "$setup" ] || skip "no installer at $setup (tools/windows-package.sh makes it)"
[ -x "$server" ] || skip "no local server at '$server' (configure with -DTAVIK_HOST_SERVER=PATH)"
PATH="$PATH:/usr/lib/wine"
for tool in wineserver xvfb-run xauth openbox xdotool xprop import; do
    command -v "$tool" >/dev/null 2>&1 ||
        skip "$tool is not installed (packages wine64 xvfb xauth openbox xdotool x11-utils x11-xkb-utils imagemagick)"
done
# Debian's wine64 package has no "wine" command; the 64-bit loader is all we need.
wine=$(command -v wine64 || command -v wine) || skip "Wine is not installed (package wine64)"
export WINE=$wine

rm -rf "$out"
mkdir -p "$out"
work=$(mktemp -d)
server_pid=""
cleanup() {
    [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null
    WINEPREFIX=$work/prefix wineserver -k 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# --- 1. A fresh prefix, made without a display (no dialogs), and the silent install.
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export USER=Jürgen WINEUSERNAME=Jürgen LANG=de_DE.UTF-8 LC_ALL=C.UTF-8
(unset DISPLAY WAYLAND_DISPLAY; "$wine" wineboot --init >/dev/null 2>&1; wineserver -w)
(unset DISPLAY WAYLAND_DISPLAY; "$wine" "$setup" /S >/dev/null 2>&1; wineserver -w) || fail "the installer failed"

drive=$WINEPREFIX/drive_c
program="$drive/Program Files/TavikClient"
[ -f "$program/tavikclient.exe" ] || fail "no tavikclient.exe under Program Files"
for f in uninstall.exe Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll Qt6Network.dll platforms/qwindows.dll \
    translations/qtbase_de.qm defaults/fonts/block5.fnt defaults/Sounds/hallo.wav; do
    [ -f "$program/$f" ] || fail "the installer did not put $f into Program Files"
done
[ ! -e "$program/portable.txt" ] || fail "the installed program must not be the portable one"
find "$drive/ProgramData" -name 'TavikClient.lnk' | grep -q . || fail "no start menu entry"
"$wine" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\TavikClient' /v UninstallString \
    2>/dev/null | grep -q 'uninstall.exe' || fail "no entry in Add/Remove Programs"
profile=$(find "$drive/users" -maxdepth 1 -name 'J*rgen' | head -n 1)
[ -n "$profile" ] || fail "the Wine prefix has no user Jürgen"
data="$profile/AppData/Roaming/TavikClient"
before=$(cd "$program" && find . | sort)

# From a command prompt (here a pipe) the window program still answers, in UTF-8.
exe='C:\Program Files\TavikClient\tavikclient.exe'
help=$(unset DISPLAY; "$wine" "$exe" --help 2>&1) || fail "--help failed: $help"
grep -qF 'TavikClient, ein Chat-Client für den Brenn-Chat.' <<<"$help" || fail "--help said: $help"
grep -qF '(%APPDATA%\TavikClient)' <<<"$help" || fail "--help names no Windows data folder: $help"
shown=$(unset DISPLAY; "$wine" "$exe" --version 2>&1 | tr -d '\r')
[ "$shown" = "TavikClient $version" ] || fail "--version said: $shown"
# Wine's desktop process started without a display would keep the windows of the
# next program off the screen: let it end first.
wineserver -k 2>/dev/null || true
wineserver -w

# --- 2. The server, recording what the client sends.
record=$work/record.txt
exec 3< <(exec "$server" --port 0 --no-bots --record "$record")
server_pid=$!
read -r -t 10 listening <&3 || fail "the server did not start"
port=${listening##*:}

cat >"$work/drive.sh" <<'EOF'
set -u
out=$1 port=$2 record=$3
openbox --sm-disable >/dev/null 2>&1 &
for _ in $(seq 1 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
    sleep 0.1
done
# A German keyboard, as the chat's users have: umlauts and "ß" then sit on keys of
# their own and are typed as such (Wine reads the layout once, at its start; a key
# remapped later, which is how xdotool types what the layout lacks, Wine misses).
setxkbmap de 2>/dev/null && touch "$out/german-keyboard"
"$WINE" "C:\\Program Files\\TavikClient\\tavikclient.exe" >"$out/client.log" 2>&1 &
client=$!

# The first visible window whose title matches $1, waited for up to $2 (60)
# seconds. Polled: xdotool's own --sync gives up when a window goes away while
# it looks (Wine makes and drops helper windows at the start).
find_window() {
    local id="" end=$((SECONDS + ${2:-60}))
    while [ -z "$id" ] && [ "$SECONDS" -lt "$end" ]; do
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1)
        [ -n "$id" ] || sleep 0.5
    done
    [ -n "$id" ] && echo "$id"
}
# Waits for a window with exactly this title and gives it the keyboard.
focus() {
    local id
    id=$(find_window "^$1\$" "${2:-60}") || return 1
    xdotool windowactivate --sync "$id" 2>/dev/null || xdotool windowfocus --sync "$id" 2>/dev/null
    sleep 0.5
    echo "$id"
}
recorded() {
    for _ in $(seq 1 100); do
        grep -qF -- "$1" "$record" && return 0
        sleep 0.2
    done
    return 1
}
step() { echo "step: $*"; }

step "first start"
# A first start (no settings.cfg yet) shows its hint about the font menu first.
focus "TavikTelnet" 240 >/dev/null || { echo "no hint box on the first start"; import -window root "$out/fail.png"; exit 1; }
import -window root "$out/0-first-start.png"
xdotool key Return
step "connect"
main=$(find_window "^TavikClient" 180)
[ -n "$main" ] || { echo "no main window"; import -window root "$out/fail.png"; exit 1; }
xdotool windowactivate --sync "$main" 2>/dev/null || xdotool windowfocus --sync "$main"
sleep 1
import -window root "$out/1-window.png"
# Datei > Verbinden, by its mnemonics.
xdotool key --delay 300 alt+d v
focus "Verbindungs-Dialog" >/dev/null || { echo "no connect dialog"; import -window root "$out/fail.png"; exit 1; }
xdotool key --delay 50 ctrl+a
xdotool type --delay 50 "127.0.0.1:$port"
import -window root "$out/2-connect.png"
xdotool key Return
step "log in"
focus "Login" >/dev/null || { echo "no login dialog"; import -window root "$out/fail.png"; exit 1; }
xdotool key --delay 50 ctrl+a
xdotool type --delay 50 "Wintester"
import -window root "$out/3-login.png"
xdotool key Return
recorded "# logged in as Wintester" || { echo "no login at the server"; import -window root "$out/fail.png"; exit 1; }
step "type a line"
sleep 2
xdotool windowactivate --sync "$main" 2>/dev/null || xdotool windowfocus --sync "$main"
sleep 0.5
# Optionen > Logfile, by its mnemonics: the rows from now on go into today's log.
xdotool key --delay 300 alt+o l
sleep 0.5
xdotool windowactivate --sync "$main" 2>/dev/null || xdotool windowfocus --sync "$main"
sleep 0.5
xdotool type --delay 80 "Hallo aus Wine, Juergen"
xdotool key Return
recorded "Hallo" || { echo "no line at the server"; import -window root "$out/fail.png"; exit 1; }
# Characters beyond ASCII, from the German keyboard's own keys.
xdotool type --delay 80 "Grüße aus Köln"
xdotool key Return
sleep 2
import -window root "$out/4-chat.png"
step "close"
xdotool windowactivate --sync "$main" 2>/dev/null
xdotool key alt+F4
# Closing while connected asks first ("Wollen Sie wirklich beenden?"); Ja is the default.
if focus "TavikClient" 20 >/dev/null; then
    import -window root "$out/5-quit.png"
    xdotool key Return
fi
for _ in $(seq 1 100); do
    kill -0 "$client" 2>/dev/null || break
    sleep 0.2
done
import -window root "$out/6-closed.png"
kill "$client" 2>/dev/null
wineserver -w
EOF
# No auto-repeat: on a loaded machine a key let go late would be typed twice.
xvfb-run -a -s "-screen 0 1280x900x24 -nolisten tcp -r" bash "$work/drive.sh" "$out" "$port" "$record" ||
    fail "driving the window failed (see $out)"
cp "$record" "$out/record.txt"

# The bytes, as the Linux client sends them for the same keys (recorded there with
# this script's keys): the nick, the empty login text, the request for the list,
# then the line; each with its line end.
expected='1 < Wintester\r
1 < \r\n
1 < /s\r
1 < Hallo aus Wine, Juergen\r'
got=$(grep '^1 < ' "$record" | head -n 4)
# Typed umlauts are written out, "ß" stays and travels as the byte DF, as on Linux.
umlauts=$(grep -a '^1 < Gr' "$record" || true)
echo "typed \"Grüße aus Köln\" arrived as: ${umlauts:-nothing}"
if [ -f "$out/german-keyboard" ]; then
    [ "$umlauts" = "$(printf '1 < Grue\\xDFe aus Koeln\\r')" ] ||
        fail "typed umlauts arrived as \"$umlauts\", not as \"Grue\\xDFe aus Koeln\\r\""
else
    echo "no German keyboard layout on this display (setxkbmap de failed): the umlauts are not judged"
fi
[ "$got" = "$expected" ] || fail "the client sent other bytes than on Linux:
$got
expected:
$expected"

# --- 3. The files: in the data folder, none under Program Files.
[ -f "$data/settings.cfg" ] || fail "no settings.cfg in the data folder"
# Logging was switched on before the line: the server's echo of it is in today's log.
echo "log files in the data folder: $(ls "$data/LogFiles" 2>/dev/null | tr '\n' ' ' || true)"
grep -qs "Hallo aus Wine, Juergen" "$data"/LogFiles/*.log || fail "the line is not in a log file of the data folder"
[ -f "$data/fonts/block5.fnt" ] || fail "the default fonts were not copied into the data folder"
after=$(cd "$program" && find . | sort)
[ "$before" = "$after" ] || fail "the program wrote into Program Files: $(diff <(echo "$before") <(echo "$after"))"

(unset DISPLAY; "$wine" "C:\\Program Files\\TavikClient\\uninstall.exe" /S >/dev/null 2>&1; wineserver -w)
for _ in $(seq 1 50); do
    [ -e "$program/tavikclient.exe" ] || break
    sleep 0.2
done
[ ! -e "$program/tavikclient.exe" ] || fail "the uninstaller left the program"
[ -f "$data/settings.cfg" ] || fail "the uninstaller removed the user's data folder"
echo "windows-display: installed, connected, logged in, sent the line, kept the files; uninstalled."
