// What the tests on a real X server share: the X programs they run (xdotool,
// xprop, xclip, import), the window activated by the manager, screenshots.
#pragma once

#include <gtest/gtest.h>

#include <QByteArray>
#include <QPoint>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTest>
#include <QWidget>
#include <QWindow>

#include "MainWindow.h"
#include "app/Client.h"

namespace tavik::test {

inline constexpr int Wait = 10000;  // ms for anything the X server or the manager does

// Runs xdotool or xclip and waits (spinning the event loop) until it is done;
// `input`, when given, is written to its standard input.
inline bool run(const QString& program, const QStringList& args, const QByteArray& input = {}) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForStarted(Wait)) return false;
    if (!input.isNull()) {
        p.write(input);
        p.closeWriteChannel();
    }
    if (!QTest::qWaitFor([&] { return p.state() == QProcess::NotRunning; }, Wait)) {
        p.kill();
        p.waitForFinished(1000);
        return false;
    }
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// Runs a program (xwininfo, xprop) and returns what it printed; empty when it failed.
inline QString output(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForStarted(Wait)) return {};
    if (!QTest::qWaitFor([&] { return p.state() == QProcess::NotRunning; }, Wait)) {
        p.kill();
        p.waitForFinished(1000);
        return {};
    }
    return p.exitCode() == 0 ? QString::fromLocal8Bit(p.readAllStandardOutput()) : QString();
}

// xprop's line for `property` of the window's X window.
inline QString windowProperty(const QWidget& window, const QString& property) {
    return output(QStringLiteral("xprop"),
                  {QStringLiteral("-id"), QString::number(window.windowHandle()->winId()), property});
}

// The window whose title matches `titlePattern` is raised and given the keyboard.
inline bool activate(const QString& titlePattern) {
    return run(
        QStringLiteral("xdotool"),
        {QStringLiteral("search"), QStringLiteral("--sync"), QStringLiteral("--onlyvisible"),
         QStringLiteral("--name"), titlePattern, QStringLiteral("windowactivate"), QStringLiteral("--sync")});
}

// xdotool types `keys` ("ctrl+v", "alt+a") as the X server's keyboard would.
inline bool key(const QString& keys) {
    return run(QStringLiteral("xdotool"), {QStringLiteral("key"), keys});
}

// The pointer moves to `at` (global) and clicks `button` (1 left, 2 middle, 3 right).
inline bool clickAt(const QPoint& at, int button) {
    // (mousemove --sync would wait forever when the pointer is there already)
    return run(QStringLiteral("xdotool"),
               {QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y()),
                QStringLiteral("click"), QString::number(button)});
}

// Saves what the screen shows as `name`.png into $TAVIK_DISPLAY_SHOTS, when set.
inline void screenshot(const char* name) {
    const QByteArray dir = qgetenv("TAVIK_DISPLAY_SHOTS");
    if (dir.isEmpty()) return;
    run(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"),
                                   QString::fromLocal8Bit(dir) + QLatin1Char('/') +
                                       QString::fromLatin1(name) + QStringLiteral(".png")});
}

// A settings file is saved (no first-start hint), the window started with the
// sound off and made the active window by the manager.
inline void startActive(Client& client, gui::MainWindow& window) {
    ASSERT_TRUE(client.saveSettings());
    window.start();
    client.settings().sound = false;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window, Wait));
    ASSERT_TRUE(activate(QStringLiteral("^TavikClient")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.isActiveWindow(); }, Wait));
}

}  // namespace tavik::test
