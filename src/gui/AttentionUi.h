#pragma once

#include <QObject>
#include <QPalette>
#include <QPointer>
#include <QString>
#include <QTimer>

#include "chat/TabStrip.h"

class QMainWindow;

namespace tavik {
class Client;
}  // namespace tavik

namespace tavik::gui {

class Notifier;
class QtDesktop;
class TrayIcon;

// The window's side of the engine's Attention: desktop notifications and the
// urgency hint, the tray icon, the clock that lets held-back notifications
// out, and the window's activation, which tells the engine what was seen.
class AttentionUi : public QObject {
    Q_OBJECT

public:
    AttentionUi(Client& client, QMainWindow& window, QtDesktop* desktop);
    ~AttentionUi() override;

    TrayIcon& tray() { return *m_tray; }
    Notifier& notifier() { return *m_notifier; }

    // The tray icon as the options say.
    void applyOptions();
    // The close box hides the window to the tray: the option is on and there is a tray to come back from.
    bool closesToTray() const;
    // Shows the window again, from the tray or a notification.
    void showWindow();
    // The close box with the option on: the window goes, the program stays.
    void hideToTray();
    // The window closed for good (also while it was in the tray): the program ends.
    void windowClosed();

    // A tab's text: "• " before the label for rows unseen; the count of
    // whispers and rows naming the user behind it.
    static QString tabText(const QString& label, const TabActivity& activity);
    // The colour of a tab with whispers or rows naming the user, readable on `palette`.
    static QColor strongColour(const QPalette& palette);
    // The contrast ratio of two colours, 1 (the same) to 21 (black on white).
    static double contrast(const QColor& a, const QColor& b);

Q_SIGNALS:
    // "Beenden" in the tray's menu.
    void quitRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Client& m_client;
    QMainWindow& m_window;
    QPointer<QtDesktop> m_desktop;
    TrayIcon* m_tray = nullptr;
    Notifier* m_notifier = nullptr;
    QTimer m_tick;
};

}  // namespace tavik::gui
