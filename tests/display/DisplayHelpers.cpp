#include "DisplayHelpers.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QTest>
#include <QWidget>
#include <QWindow>

#include "MainWindow.h"
#include "app/Client.h"

namespace tavik::test {

bool run(const QString& program, const QStringList& args, const QByteArray& input) {
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

QString output(const QString& program, const QStringList& args) {
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

QString windowProperty(const QWidget& window, const QString& property) {
    return output(QStringLiteral("xprop"),
                  {QStringLiteral("-id"), QString::number(window.windowHandle()->winId()), property});
}

bool activate(const QString& titlePattern) {
    return run(
        QStringLiteral("xdotool"),
        {QStringLiteral("search"), QStringLiteral("--sync"), QStringLiteral("--onlyvisible"),
         QStringLiteral("--name"), titlePattern, QStringLiteral("windowactivate"), QStringLiteral("--sync")});
}

bool key(const QString& keys) {
    return run(QStringLiteral("xdotool"), {QStringLiteral("key"), keys});
}

bool clickAt(const QPoint& at, int button) {
    // (mousemove --sync would wait forever when the pointer is there already)
    return run(QStringLiteral("xdotool"),
               {QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y()),
                QStringLiteral("click"), QString::number(button)});
}

void screenshot(const char* name) {
    const QByteArray dir = qgetenv("TAVIK_DISPLAY_SHOTS");
    if (dir.isEmpty()) return;
    run(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"),
                                   QString::fromLocal8Bit(dir) + QLatin1Char('/') +
                                       QString::fromLatin1(name) + QStringLiteral(".png")});
}

void startActive(Client& client, gui::MainWindow& window) {
    ASSERT_TRUE(client.saveSettings());
    window.start();
    client.settings().sound = false;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window, Wait));
    ASSERT_TRUE(activate(QStringLiteral("^TavikClient")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.isActiveWindow(); }, Wait));
}

}  // namespace tavik::test
