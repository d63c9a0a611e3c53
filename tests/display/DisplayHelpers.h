// What the tests on a real X server share: the X programs they run (xdotool,
// xprop, xclip, import), the window activated by the manager, screenshots.
#pragma once

#include <QByteArray>
#include <QPoint>
#include <QString>
#include <QStringList>

class QWidget;

namespace tavik {
class Client;
namespace gui {
class MainWindow;
}
}  // namespace tavik

namespace tavik::test {

inline constexpr int Wait = 10000;  // ms for anything the X server or the manager does

// Runs xdotool or xclip and waits (spinning the event loop) until it is done;
// `input`, when given, is written to its standard input.
bool run(const QString& program, const QStringList& args, const QByteArray& input = {});

// Runs a program (xwininfo, xprop) and returns what it printed; empty when it failed.
QString output(const QString& program, const QStringList& args);

// xprop's line for `property` of the window's X window.
QString windowProperty(const QWidget& window, const QString& property);

// The window whose title matches `titlePattern` is raised and given the keyboard.
bool activate(const QString& titlePattern);

// xdotool types `keys` ("ctrl+v", "alt+a") as the X server's keyboard would.
bool key(const QString& keys);

// The pointer moves to `at` (global) and clicks `button` (1 left, 2 middle, 3 right).
bool clickAt(const QPoint& at, int button);

// Saves what the screen shows as `name`.png into $TAVIK_DISPLAY_SHOTS, when set.
void screenshot(const char* name);

// A settings file is saved (no first-start hint), the window started with the
// sound off and made the active window by the manager.
void startActive(Client& client, gui::MainWindow& window);

}  // namespace tavik::test
