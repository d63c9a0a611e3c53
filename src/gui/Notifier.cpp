#include "Notifier.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QSystemTrayIcon>
#include <QVariantMap>

namespace tavik::gui {

namespace {

const QString Service = QStringLiteral("org.freedesktop.Notifications");
const QString Path = QStringLiteral("/org/freedesktop/Notifications");
const QString Interface = QStringLiteral("org.freedesktop.Notifications");
// The service keeps at most this many of ours on the screen worth remembering.
constexpr std::size_t MaxRemembered = 200;

}  // namespace

Notifier::Notifier(QObject* parent) : QObject(parent), m_bus(QDBusConnection::sessionBus()) {
    if (!m_bus.isConnected()) return;
    // From whichever connection owns the service name now or later.
    m_bus.connect(QString(), Path, Interface, QStringLiteral("ActionInvoked"), this,
                  SLOT(actionInvoked(uint, QString)));
    m_bus.connect(QString(), Path, Interface, QStringLiteral("NotificationClosed"), this,
                  SLOT(notificationClosed(uint, uint)));
}

Notifier::~Notifier() = default;

void Notifier::setTray(QSystemTrayIcon* tray) {
    m_tray = tray;
}

QString Notifier::plainText(const QString& text) {
    QString out = text;
    for (QChar& c : out) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F) c = QLatin1Char(' ');
    }
    return out;
}

QString Notifier::escapedBody(const QString& text) {
    // Services may read a body as simple markup: a "<b>" from a chatter stays text.
    return plainText(text).toHtmlEscaped();
}

void Notifier::show(const QString& title, const QString& body, int sessionId) {
    if (!m_bus.isConnected()) return;
    QDBusMessage call = QDBusMessage::createMethodCall(Service, Path, Interface, QStringLiteral("Notify"));
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("de.tavikclient.TavikClient"));
    hints.insert(QStringLiteral("category"), QStringLiteral("im.received"));
    call << QStringLiteral("TavikClient") << uint(0) << QStringLiteral("de.tavikclient.TavikClient")
         << plainText(title) << escapedBody(body)
         << QStringList{QStringLiteral("default"), QStringLiteral("Anzeigen")} << hints << -1;
    // Never waits: a service that hangs must not hang the chat. No service, no notification.
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, 5000), this);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, this,
                     [this, sessionId](QDBusPendingCallWatcher* finished) {
                         const QDBusPendingReply<uint> reply = *finished;
                         finished->deleteLater();
                         if (reply.isError()) return;
                         if (m_shown.size() >= MaxRemembered) m_shown.erase(m_shown.begin());
                         m_shown[reply.value()] = sessionId;
                     });
}

void Notifier::actionInvoked(uint id, const QString& action) {
    Q_UNUSED(action);
    const auto it = m_shown.find(id);
    if (it == m_shown.end()) return;  // not one of ours
    const int sessionId = it->second;
    Q_EMIT chosen(sessionId);
}

void Notifier::notificationClosed(uint id, uint reason) {
    Q_UNUSED(reason);
    m_shown.erase(id);
}

}  // namespace tavik::gui
