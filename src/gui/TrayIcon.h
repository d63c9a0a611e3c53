#pragma once

#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>

namespace tavik::gui {

// The program's icon in the system tray: its tooltip counts the unread
// whispers, its menu shows the window again or ends the program, and a click
// on it shows the window.
class TrayIcon : public QObject {
    Q_OBJECT

public:
    explicit TrayIcon(QObject* parent = nullptr);

    QSystemTrayIcon& icon() { return m_icon; }
    QMenu& menu() { return m_menu; }
    QAction* showAction() const { return m_show; }
    QAction* quitAction() const { return m_quit; }

    void setShown(bool shown);
    // Whether the icon is in a tray the desktop really has: only then can a
    // hidden window be brought back from it.
    bool inTray() const;
    void setUnreadWhispers(int count);

    static QString toolTipFor(int unreadWhispers);

Q_SIGNALS:
    void showRequested();
    void quitRequested();

private:
    QSystemTrayIcon m_icon;
    QMenu m_menu;
    QAction* m_show = nullptr;
    QAction* m_quit = nullptr;
};

}  // namespace tavik::gui
