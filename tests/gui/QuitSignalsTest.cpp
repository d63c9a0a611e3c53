// A request from outside to quit reaches the program from its event loop, once;
// on POSIX it is a signal, on Windows a console control event.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include "QuitSignals.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <csignal>
#endif

namespace tavik::gui {
namespace {

// Spins the event loop until `done` or two seconds have passed.
template <typename Done>
bool waitFor(Done done) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

// Asks this process to quit as the system would; false when it cannot here.
bool requestQuit() {
#ifdef _WIN32
    // The events go to the processes of a console: this one gets one of its
    // own if it has none (a window program, or a test run from a pipe).
    if (::GetConsoleWindow() == nullptr) ::AllocConsole();
    ::SetConsoleCtrlHandler(nullptr, FALSE);  // Ctrl+C is not ignored
    return ::GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0) != 0;
#else
    return ::raise(SIGINT) == 0;
#endif
}

TEST(QuitSignalsTest, ARequestToQuitIsHeardInTheEventLoop) {
    int heard = 0;
    bool inHandler = true;
    {
        QuitSignals quitSignals([&] {
            ++heard;
            // Called from the event loop of the main thread, not from a signal
            // handler or the system's control thread.
            inHandler = QThread::currentThread() != QCoreApplication::instance()->thread();
        });
        if (!requestQuit()) GTEST_SKIP() << "this system cannot send this process a quit request";
        EXPECT_TRUE(waitFor([&] { return heard > 0; }));
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(heard, 1);
    EXPECT_FALSE(inHandler);
}

}  // namespace
}  // namespace tavik::gui
