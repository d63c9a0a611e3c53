// The Windows side of QuitSignals.h. Windows has no signals; its counterparts
// are the console's control events: Ctrl+C and Ctrl+Break in the console the
// program was started from, the console being closed, the user logging off and
// the system shutting down. (A window program hears of the last two through
// its window too, which Qt handles; the console event comes first.)
//
// The events arrive on a thread of their own that the system starts for them,
// so they are handed to the event loop through a queued call. For the last
// three the system ends the process as soon as the handler returns: the handler
// waits there until the program has closed its window in order (QuitSignals
// goes away after the main loop has ended), for at most a few seconds.
#include <windows.h>

#include <QMetaObject>
#include <atomic>
#include <mutex>

#include "QuitSignals.h"

namespace tavik::gui {

namespace {

constexpr DWORD WaitForTheWindowMs = 4000;

std::mutex g_mutex;
QuitSignals* g_instance = nullptr;  // guarded by g_mutex
std::function<void()> g_deliver;    // guarded by g_mutex
std::atomic<bool> g_seen{false};
HANDLE g_closed = nullptr;  // set once the program is done

BOOL WINAPI handleControlEvent(DWORD event) {
    {
        const std::lock_guard lock(g_mutex);
        if (g_instance == nullptr) return FALSE;
        // A second event takes the default way: the process ends at once.
        if (g_seen.exchange(true)) return FALSE;
        // Dropped unheard if the instance is gone before the loop gets to it.
        QMetaObject::invokeMethod(g_instance, g_deliver, Qt::QueuedConnection);
    }
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) return TRUE;
    ::WaitForSingleObject(g_closed, WaitForTheWindowMs);
    return TRUE;
}

}  // namespace

QuitSignals::QuitSignals(std::function<void()> onSignal, QObject* parent)
    : QObject(parent), m_onSignal(std::move(onSignal)) {
    g_closed = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    g_seen = false;
    {
        const std::lock_guard lock(g_mutex);
        g_instance = this;
        g_deliver = [this] {
            if (m_onSignal) m_onSignal();
        };
    }
    ::SetConsoleCtrlHandler(handleControlEvent, TRUE);
}

QuitSignals::~QuitSignals() {
    {
        const std::lock_guard lock(g_mutex);
        g_instance = nullptr;
        g_deliver = nullptr;
    }
    if (g_closed != nullptr) ::SetEvent(g_closed);
    ::SetConsoleCtrlHandler(handleControlEvent, FALSE);
}

}  // namespace tavik::gui
