#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

namespace tavik::gui {

// SIGTERM (the session ends), SIGINT (Ctrl+C in the terminal it was started
// from) and SIGHUP are turned into a call of `onSignal` from the event loop,
// so the program can close its window in order and keep its settings. The
// first signal restores the default action, so a second one ends the process
// at once. One instance per process.
class QuitSignals : public QObject {
    Q_OBJECT

public:
    explicit QuitSignals(std::function<void()> onSignal, QObject* parent = nullptr);
    ~QuitSignals() override;

private:
    std::function<void()> m_onSignal;
    QSocketNotifier* m_notifier = nullptr;
};

}  // namespace tavik::gui
