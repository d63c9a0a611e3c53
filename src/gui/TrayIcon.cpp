#include "TrayIcon.h"

#include "Icons.h"

namespace tavik::gui {

TrayIcon::TrayIcon(QObject* parent) : QObject(parent) {
    m_icon.setIcon(programIcon());
    m_icon.setToolTip(toolTipFor(0));
    m_show = m_menu.addAction(QStringLiteral("Fenster zeigen"));
    m_menu.addSeparator();
    m_quit = m_menu.addAction(QStringLiteral("Beenden"));
    m_icon.setContextMenu(&m_menu);
    QObject::connect(m_show, &QAction::triggered, this, [this] { Q_EMIT showRequested(); });
    QObject::connect(m_quit, &QAction::triggered, this, [this] { Q_EMIT quitRequested(); });
    QObject::connect(&m_icon, &QSystemTrayIcon::activated, this,
                     [this](QSystemTrayIcon::ActivationReason why) {
                         if (why == QSystemTrayIcon::Trigger || why == QSystemTrayIcon::DoubleClick)
                             Q_EMIT showRequested();
                     });
}

void TrayIcon::setShown(bool shown) {
    m_icon.setVisible(shown);
}

bool TrayIcon::inTray() const {
    return m_icon.isVisible() && QSystemTrayIcon::isSystemTrayAvailable();
}

QString TrayIcon::toolTipFor(int unreadWhispers) {
    if (unreadWhispers <= 0) return QStringLiteral("TavikClient");
    if (unreadWhispers == 1) return QStringLiteral("TavikClient – 1 ungelesene Flüsternachricht");
    return QStringLiteral("TavikClient – %1 ungelesene Flüsternachrichten").arg(unreadWhispers);
}

void TrayIcon::setUnreadWhispers(int count) {
    m_icon.setToolTip(toolTipFor(count));
}

}  // namespace tavik::gui
