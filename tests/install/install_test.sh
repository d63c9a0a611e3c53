#!/usr/bin/env bash
# Installs the build into a temporary prefix with `cmake --install` and checks
# one thing about the result:
#
#   install_test.sh CHECK BUILD_DIR SOURCE_DIR APP_ID VERSION HAVE_SVG
#
# CHECK: layout, version, options, datafolder, dir, current, signal.
set -euo pipefail
check=$1 build=$2 source=$3 id=$4 version=$5 haveSvg=$6

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
prefix="$tmp/prefix"
cmake --install "$build" --prefix "$prefix" >"$tmp/install.log"
client="$prefix/bin/tavikclient"

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# A fresh user: empty home, no XDG variables pointing elsewhere, a private
# runtime directory as Qt wants it, and an empty current directory.
mkdir -p "$tmp/home" "$tmp/runtime" "$tmp/cwd"
chmod 700 "$tmp/runtime"
freshEnv=(env -u XDG_DATA_HOME -u XDG_CONFIG_HOME -u XDG_DATA_DIRS HOME="$tmp/home" XDG_RUNTIME_DIR="$tmp/runtime")
fresh() {
    "${freshEnv[@]}" "$@"
}
dataFolder="$tmp/home/.local/share/TavikClient"

# Starts the client offscreen in $tmp/cwd with the given arguments, waits
# until it has chosen its working directory and its window is up, then
# closes it with SIGTERM (as a session end does) and expects exit status 0.
runAndClose() {
    local out="$tmp/client.out"
    (cd "$tmp/cwd" && exec "${freshEnv[@]}" QT_QPA_PLATFORM=offscreen "$client" "$@") >"$out" 2>&1 &
    local pid=$!
    for _ in $(seq 100); do
        grep -q "Dateien in" "$out" && break
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    sleep 1
    kill -TERM "$pid" 2>/dev/null || true
    local status=0
    wait "$pid" || status=$?
    [ "$status" -eq 0 ] || { cat "$out" >&2; fail "the client exited with $status after SIGTERM"; }
    cat "$out"
}

settingsSize() { stat -c %s "$1"; }

case "$check" in
layout)
    expected=(
        bin/tavikclient
        bin/tavikserver
        "share/applications/$id.desktop"
        "share/metainfo/$id.metainfo.xml"
        share/man/man1/tavikclient.1.gz
        share/man/man1/tavikserver.1.gz
        share/doc/tavikclient/copyright
        share/doc/tavikclient/changelog.gz
        share/lintian/overrides/tavikclient
    )
    for size in 16 22 24 32 48 64 128 256; do
        expected+=("share/icons/hicolor/${size}x${size}/apps/$id.png")
    done
    [ "$haveSvg" = 1 ] && expected+=("share/icons/hicolor/scalable/apps/$id.svg")
    for f in "$source"/demo/fonts/*.fnt; do expected+=("share/tavikclient/fonts/$(basename "$f")"); done
    for f in "$source"/demo/inline/*; do expected+=("share/tavikclient/inline/$(basename "$f")"); done
    for f in "$source"/demo/Sounds/*.wav; do expected+=("share/tavikclient/Sounds/$(basename "$f")"); done
    for f in "${expected[@]}"; do [ -f "$prefix/$f" ] || fail "missing $f"; done
    # Nothing else: no stray build files, no demo settings.cfg, no scripts.
    actual=$(cd "$prefix" && find . -type f | sed 's|^\./||' | sort)
    wanted=$(printf '%s\n' "${expected[@]}" | sort)
    [ "$actual" = "$wanted" ] || fail "unexpected files: $(comm -13 <(echo "$wanted") <(echo "$actual") | tr '\n' ' ')"
    [ -x "$prefix/bin/tavikclient" ] && [ -x "$prefix/bin/tavikserver" ] || fail "programs not executable"

    # Each icon is a PNG of its size.
    for size in 16 22 24 32 48 64 128 256; do
        head=$(od -An -tx1 -N24 "$prefix/share/icons/hicolor/${size}x${size}/apps/$id.png" | tr -d ' \n')
        [ "${head:0:16}" = 89504e470d0a1a0a ] || fail "$size icon is no PNG"
        [ $((16#${head:32:8})) -eq "$size" ] && [ $((16#${head:40:8})) -eq "$size" ] || fail "$size icon has the wrong size"
    done
    [ "$haveSvg" = 1 ] && { grep -q '<svg' "$prefix/share/icons/hicolor/scalable/apps/$id.svg" || fail "no SVG"; }

    desktop="$prefix/share/applications/$id.desktop"
    desktop-file-validate "$desktop" || fail "desktop-file-validate"
    for line in "Exec=tavikclient" "Icon=$id" "GenericName=Chat-Client" "Categories=Network;Chat;InstantMessaging;"; do
        grep -qx "$line" "$desktop" || fail "desktop entry lacks $line"
    done
    metainfo="$prefix/share/metainfo/$id.metainfo.xml"
    appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate"
    grep -q "<id>$id</id>" "$metainfo" || fail "metainfo id"
    grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" || fail "metainfo launchable"
    # The newest release named is the one being built.
    grep -m1 '<release ' "$metainfo" | grep -q "version=\"$version\"" || fail "metainfo's newest release is not $version"
    zcat "$prefix/share/doc/tavikclient/changelog.gz" | head -1 | grep -q "^tavikclient ($version)" ||
        fail "changelog's newest entry is not $version"
    zcat "$prefix/share/man/man1/tavikclient.1.gz" | grep -q "TavikClient $version" || fail "man page version"
    ;;
version)
    # No display needed.
    out=$(cd "$tmp/cwd" && fresh env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$client" --version)
    [ "$out" = "TavikClient $version" ] || fail "--version printed '$out'"
    help=$(cd "$tmp/cwd" && fresh "$client" --help)
    grep -q "^Aufruf: tavikclient" <<<"$help" && grep -q -- "--dir VERZEICHNIS" <<<"$help" || fail "--help: $help"
    # Neither wrote a thing.
    [ -z "$(find "$tmp/home" "$tmp/cwd" -mindepth 1)" ] || fail "--version or --help left files behind"
    ;;
options)
    # Wrong command lines end with status 2 and a message before any window:
    # no display is needed to be told so.
    while IFS='|' read -r args message; do
        status=0
        # shellcheck disable=SC2086
        err=$(cd "$tmp/cwd" && fresh env -u DISPLAY -u WAYLAND_DISPLAY "$client" $args 2>&1 >/dev/null) || status=$?
        [ "$status" -eq 2 ] || fail "'$args' gave status $status"
        grep -qF "$message" <<<"$err" || fail "'$args' said: $err"
    done <<'CASES'
--gibtsnicht|Unbekannte Option „--gibtsnicht“
-x|Unbekannte Option „-x“
--dir|Nach „--dir“ fehlt der Wert
überzählig|Unerwartetes Argument „überzählig“
--dir /nicht/da|Das Verzeichnis /nicht/da gibt es nicht
CASES
    [ -z "$(find "$tmp/home" "$tmp/cwd" -mindepth 1)" ] || fail "a refused command line left files behind"
    ;;
datafolder)
    runAndClose | grep -q "Dateien in $dataFolder" || fail "the client did not say where its files are"
    [ "$(stat -c %a "$dataFolder")" = 700 ] || fail "data folder mode $(stat -c %a "$dataFolder")"
    [ "$(settingsSize "$dataFolder/settings.cfg")" -eq 48200 ] || fail "no settings.cfg of 48200 bytes in the data folder"
    [ -z "$(ls -A "$tmp/cwd")" ] || fail "files written to the current directory: $(ls -A "$tmp/cwd")"
    for f in "$source"/demo/fonts/*.fnt "$source"/demo/inline/* "$source"/demo/Sounds/*.wav; do
        sub=$(basename "$(dirname "$f")")
        cmp -s "$f" "$dataFolder/$sub/$(basename "$f")" || fail "default $sub/$(basename "$f") not copied"
    done
    # The second start keeps what the user did with the defaults: a changed
    # font and a removed sound directory stay as they are.
    echo "mine" >"$dataFolder/fonts/block5.fnt"
    rm -r "$dataFolder/Sounds"
    runAndClose >/dev/null
    [ "$(cat "$dataFolder/fonts/block5.fnt")" = mine ] || fail "a user's font was overwritten"
    [ ! -e "$dataFolder/Sounds" ] || fail "removed sounds came back"
    [ -z "$(ls -A "$tmp/cwd")" ] || fail "files written to the current directory"
    ;;
dir)
    mkdir -p "$tmp/cwd/mine"
    runAndClose --dir mine | grep -q "Dateien in $tmp/cwd/mine" || fail "--dir relative to the current directory"
    [ "$(settingsSize "$tmp/cwd/mine/settings.cfg")" -eq 48200 ] || fail "no settings.cfg in the --dir directory"
    [ ! -e "$tmp/home/.local" ] || fail "the data folder was made although --dir was given"
    [ ! -e "$tmp/cwd/mine/fonts" ] || fail "defaults copied into a --dir directory"
    # --dir wins over a settings.cfg in the current directory.
    cp "$source/demo/settings.cfg" "$tmp/cwd/settings.cfg"
    runAndClose --dir="$tmp/cwd/mine" -platform offscreen | grep -q "Dateien in $tmp/cwd/mine" ||
        fail "--dir=DIR with Qt's options beside it"
    cmp -s "$source/demo/settings.cfg" "$tmp/cwd/settings.cfg" || fail "the current directory's settings.cfg was touched"
    ;;
signal)
    # The end of the desktop session ends the program at once, without a
    # question or a box, even when a box is up and settings.cfg cannot be
    # written (here it is a directory): the failure goes to standard error.
    mkdir -p "$tmp/cwd/work/settings.cfg"
    out="$tmp/client.out"
    (cd "$tmp/cwd" && exec "${freshEnv[@]}" QT_QPA_PLATFORM=offscreen "$client" --dir work) >"$out" 2>&1 &
    pid=$!
    for _ in $(seq 100); do
        grep -q "Dateien in" "$out" && break
        sleep 0.1
    done
    sleep 1  # the first start's hint box is up now
    start=$(date +%s%N)
    kill -TERM "$pid"
    status=0
    wait "$pid" || status=$?
    elapsed=$((($(date +%s%N) - start) / 1000000))
    [ "$status" -eq 0 ] || { cat "$out" >&2; fail "exit status $status after SIGTERM"; }
    [ "$elapsed" -lt 2000 ] || fail "SIGTERM took $elapsed ms"
    grep -q "Fehler beim Speichern der Einstellungen" "$out" || { cat "$out" >&2; fail "the failed save was not told"; }
    [ -d "$tmp/cwd/work/settings.cfg" ] || fail "settings.cfg changed"
    ;;
current)
    # An existing setup: the current directory holds settings.cfg, so it is
    # used and nothing goes to the data folder.
    cp "$source/demo/settings.cfg" "$tmp/cwd/settings.cfg"
    touch -d '2001-01-01' "$tmp/cwd/settings.cfg"
    runAndClose | grep -q "Dateien in $tmp/cwd\$" || fail "the current directory was not used"
    [ "$(stat -c %Y "$tmp/cwd/settings.cfg")" -gt "$(date -d 2001-01-02 +%s)" ] ||
        fail "settings.cfg in the current directory was not written on close"
    [ ! -e "$tmp/home/.local" ] || fail "the data folder was made although the current directory has settings.cfg"
    # A directory named settings.cfg is no settings file.
    rm "$tmp/cwd/settings.cfg"
    mkdir "$tmp/cwd/settings.cfg"
    runAndClose | grep -q "Dateien in $dataFolder" || fail "a directory named settings.cfg counted"
    ;;
*)
    fail "unknown check $check"
    ;;
esac
echo "ok: $check"
