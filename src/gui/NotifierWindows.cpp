#include <QSystemTrayIcon>

#include "Notifier.h"

namespace tavik::gui {

Notifier::Notifier(QObject* parent) : QObject(parent) {}

Notifier::~Notifier() = default;

void Notifier::setTray(QSystemTrayIcon* tray) {
    m_tray = tray;
    if (tray == nullptr) return;
    // The balloon shown last is the one a click can mean.
    QObject::connect(tray, &QSystemTrayIcon::messageClicked, this,
                     [this] { Q_EMIT chosen(m_balloonSession); });
}

QString Notifier::plainText(const QString& text) {
    QString out = text;
    for (QChar& c : out) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F) c = QLatin1Char(' ');
    }
    return out;
}

QString Notifier::escapedBody(const QString& text) {
    return plainText(text);
}

void Notifier::show(const QString& title, const QString& body, int sessionId) {
    // A balloon needs the icon in the tray; without it there is none.
    if (!m_tray || !m_tray->isVisible()) return;
    m_balloonSession = sessionId;
    m_tray->showMessage(plainText(title), plainText(body), QSystemTrayIcon::Information, 10000);
}

}  // namespace tavik::gui
