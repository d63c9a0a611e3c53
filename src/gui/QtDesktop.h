#pragma once

#include <QObject>
#include <QPointer>
#include <functional>

#include "platform/Desktop.h"

namespace tavik::gui {

class SoundPlayer;

// The engine's window-system services: message boxes, modal dialogs, focus,
// title, clipboard and sounds, with texts converted from Windows-1252.
class QtDesktop : public QObject, public Desktop {
    Q_OBJECT

public:
    explicit QtDesktop(QObject* parent = nullptr);
    ~QtDesktop() override;

    // The main window owns message boxes and dialogs once it exists.
    void setMainWindow(QWidget* window) { m_window = window; }
    // Runs a dialog for the engine; the main window supplies the dialogs.
    void setDialogRunner(std::function<int(Dialog)> runner) { m_dialogRunner = std::move(runner); }
    void setInputLine(QWidget* inputLine) { m_inputLine = inputLine; }
    // Shows the desktop notifications the engine asks for.
    void setNotifier(std::function<void(const QString&, const QString&, int)> notifier) {
        m_notifier = std::move(notifier);
    }

    MessageBoxAnswer messageBox(std::string_view text, std::string_view caption,
                                MessageBoxStyle style) override;
    int runDialog(Dialog dialog) override;
    void focusInputLine() override;
    void setTitle(std::string_view title) override;
    void bringToFront() override;
    bool isForeground() const override;
    void setClipboardText(std::string_view text) override;
    std::string clipboardText() const override;
    void playSound(const std::string& path) override;
    void stopSound() override;
    void playSystemSound(std::string_view name) override;
    void notify(std::string_view title, std::string_view body, int sessionId) override;

private:
    QPointer<QWidget> m_window;
    QPointer<QWidget> m_inputLine;
    std::function<int(Dialog)> m_dialogRunner;
    std::function<void(const QString&, const QString&, int)> m_notifier;
    SoundPlayer* m_sound = nullptr;
};

}  // namespace tavik::gui
