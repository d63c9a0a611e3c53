#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <map>

#ifndef Q_OS_WIN
#include <QDBusConnection>
#endif

class QSystemTrayIcon;

namespace tavik::gui {

// Desktop notifications. On Linux they go to the notification service on the
// session bus (org.freedesktop.Notifications): without a bus or a service
// nothing is shown and nothing is said. On Windows they are the tray icon's
// balloons. Choosing one reports its session.
class Notifier : public QObject {
    Q_OBJECT

public:
    explicit Notifier(QObject* parent = nullptr);
    ~Notifier() override;

    // Windows shows its balloons at the tray icon; Linux needs none.
    void setTray(QSystemTrayIcon* tray);
    // Plain texts; whatever a chatter typed is shown as it is, never as markup.
    void show(const QString& title, const QString& body, int sessionId);

    // What goes out as a notification's text: no control characters, markup escaped.
    static QString plainText(const QString& text);
    static QString escapedBody(const QString& text);

Q_SIGNALS:
    // A notification was chosen (clicked, or its "Anzeigen" action).
    void chosen(int sessionId);

#ifndef Q_OS_WIN
private Q_SLOTS:
    void actionInvoked(uint id, const QString& action);
    void notificationClosed(uint id, uint reason);
#endif

private:
    QPointer<QSystemTrayIcon> m_tray;
#ifndef Q_OS_WIN
    QDBusConnection m_bus;
    // The service's ids of the notifications still shown, with their sessions.
    std::map<uint, int> m_shown;
#else
    int m_balloonSession = 0;
#endif
};

}  // namespace tavik::gui
