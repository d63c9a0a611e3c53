#!/usr/bin/env bash
# The Windows tests, under Wine, of what tools/windows-package.sh built:
#   core_tests.exe   the engine (a console program, no display)
#   gui_tests.exe    the window on Qt's offscreen platform; its end-to-end tests
#                    talk to the local server built for this machine
#   windows-display  the installer run silently into a fresh prefix, and the
#                    installed tavikclient.exe driven by keyboard on Xvfb
# Makes the packages first when they are not there. Arguments go to both gtest
# programs (e.g. --gtest_filter=...). On a fresh Debian 12 machine it installs
# what is missing (needs root or sudo).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

# fonts-wine: Wine's stand-ins for the Windows fonts (Tahoma, the dialog font), so the
# window looks as on Windows and not in a fallback serif.
tools/ensure-packages.sh wine64 fonts-wine xvfb xauth openbox xdotool x11-utils x11-xkb-utils imagemagick \
    fonts-dejavu-core

out=build/windows
build=$out/build
version=$(sed -n 's/^project(TavikClient VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
if [ ! -f "$out/TavikClient-$version-setup.exe" ] || [ ! -f "$build/tests/gui/gui_tests.exe" ]; then
    tools/windows-package.sh
fi
qt=$(tools/windows-qt.sh --print-prefix)

# Debian's wine64 package puts its loader and server under /usr/lib/wine.
PATH="$PATH:/usr/lib/wine"
wine=$(command -v wine64 || command -v wine)
# A Wine prefix of our own, made once without any dialog: no Mono or Gecko
# installers (mscoree, mshtml) and no debug chatter.
export WINEPREFIX="$root/$out/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    (unset DISPLAY WAYLAND_DISPLAY; "$wine" wineboot --init >/dev/null 2>&1 || true; wineserver -w || true)
fi

# The test programs find Qt's and the compiler's DLLs on WINEPATH; a qt.conf
# beside them names Qt's plugins (the offscreen platform) and the German texts.
export WINEPATH="Z:$qt/bin;Z:/usr/lib/gcc/x86_64-w64-mingw32/12-posix;Z:/usr/x86_64-w64-mingw32/lib"
cat >"$build/tests/gui/qt.conf" <<EOF
[Paths]
Prefix=Z:$qt
Translations=Z:/usr/share/qt6/translations
EOF
# Qt's offscreen platform on Windows draws text with FreeType, from these fonts.
export QT_QPA_PLATFORM=offscreen QT_QPA_FONTDIR=Z:/usr/share/fonts/truetype/dejavu

(
    unset DISPLAY WAYLAND_DISPLAY
    cd "$build/tests"
    "$wine" core_tests.exe "$@"
    cd gui
    # Left out, and said so: under Wine the font tests find none of the default
    # fixed-pitch families (Courier New, Lucida Console) and Qt's Windows fonts
    # map differently; a first start without one of them opens the font dialog,
    # which the ListHeader test then waits on. Not yet checked on a real Windows.
    left_out="FontMapping.*:WindowUseTest.ANewFontSizeAppliesToRowsAndInputLine:ListHeader.*"
    echo "gui_tests.exe: left out under Wine (font families): $left_out"
    "$wine" gui_tests.exe --gtest_filter="-$left_out" "$@"
    # Ctrl+C in the console the program was started from: from a pipe Wine has no
    # console to send it through, so the test runs once more on a terminal of its
    # own (script's), and there it must not be skipped.
    rm -f quit.xml
    script -qec "'$wine' gui_tests.exe --gtest_filter=QuitSignalsTest.* --gtest_output=xml:quit.xml" /dev/null >/dev/null
    grep -q 'tests="1" failures="0" disabled="0" skipped="0" errors="0"' quit.xml || {
        echo "Ctrl+C in a console did not reach the program:" >&2
        cat quit.xml >&2
        exit 1
    }
    echo "gui_tests.exe: Ctrl+C in a console closes the program in order (QuitSignalsTest on a terminal)."
    wineserver -w  # let Wine's server end before we do
)
echo "Windows tests (core_tests.exe, gui_tests.exe under Wine) passed."

ctest --test-dir "$build" -L windows-display --output-on-failure
echo "Windows display test (the installed program under Wine on Xvfb) passed."
