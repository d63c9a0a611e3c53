#include "AttentionUi.h"

#include <QApplication>
#include <QEvent>
#include <QMainWindow>
#include <algorithm>
#include <cmath>

#include "Notifier.h"
#include "QtDesktop.h"
#include "TrayIcon.h"
#include "app/Client.h"

namespace tavik::gui {

AttentionUi::AttentionUi(Client& client, QMainWindow& window, QtDesktop* desktop)
    : QObject(&window), m_client(client), m_window(window), m_desktop(desktop) {
    m_tray = new TrayIcon(this);
    m_notifier = new Notifier(this);
    m_notifier->setTray(&m_tray->icon());
    if (desktop != nullptr) {
        desktop->setNotifier([this](const QString& title, const QString& body, int sessionId) {
            m_notifier->show(title, body, sessionId);
        });
    }
    QObject::connect(m_notifier, &Notifier::chosen, this, [this](int sessionId) {
        showWindow();
        m_client.attention().showSession(sessionId);
    });
    QObject::connect(m_tray, &TrayIcon::showRequested, this, [this] { showWindow(); });
    QObject::connect(m_tray, &TrayIcon::quitRequested, this, [this] { Q_EMIT quitRequested(); });
    m_client.attention().setOnUnreadChanged(
        [this] { m_tray->setUnreadWhispers(m_client.attention().unreadWhispers()); });
    // Held-back notifications go out once their chatter's ten seconds are up.
    m_tick.setInterval(1000);
    QObject::connect(&m_tick, &QTimer::timeout, this, [this] { m_client.attention().tick(); });
    m_tick.start();
    m_window.installEventFilter(this);
}

AttentionUi::~AttentionUi() {
    // The engine and its desktop outlive the window.
    m_client.attention().setOnUnreadChanged({});
    if (m_desktop) m_desktop->setNotifier({});
}

void AttentionUi::applyOptions() {
    m_tray->setShown(m_client.options().trayIcon);
}

bool AttentionUi::closesToTray() const {
    return m_client.options().closeToTray && m_tray->inTray();
}

void AttentionUi::hideToTray() {
    // While the window is away, closing a box must not end the program as
    // closing its last window would.
    QApplication::setQuitOnLastWindowClosed(false);
    m_window.hide();
}

void AttentionUi::windowClosed() {
    if (QApplication::quitOnLastWindowClosed()) return;
    QApplication::setQuitOnLastWindowClosed(true);
    QCoreApplication::quit();
}

void AttentionUi::showWindow() {
    QApplication::setQuitOnLastWindowClosed(true);
    if (m_window.isMinimized()) {
        m_window.showNormal();
    } else {
        m_window.show();
    }
    m_window.raise();
    m_window.activateWindow();
}

QString AttentionUi::tabText(const QString& label, const TabActivity& activity) {
    if (!activity.rows) return label;
    QString text = QStringLiteral("• ") + label;
    if (activity.strong() > 0) text += QStringLiteral(" (%1)").arg(activity.strong());
    return text;
}

namespace {

// WCAG's relative luminance and contrast ratio of two colours.
double luminance(const QColor& colour) {
    const auto channel = [](double c) {
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(colour.redF()) + 0.7152 * channel(colour.greenF()) +
           0.0722 * channel(colour.blueF());
}

}  // namespace

double AttentionUi::contrast(const QColor& a, const QColor& b) {
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor AttentionUi::strongColour(const QPalette& palette) {
    // The palette's link colour, where it stands out from the tabs' background
    // as a mark must (3 : 1); a dark palette that kept the light one's blue
    // gets a light blue, a light one a dark blue.
    const QColor link = palette.color(QPalette::Active, QPalette::Link);
    const QColor back = palette.color(QPalette::Active, QPalette::Window);
    if (contrast(link, back) >= 3.0) return link;
    return luminance(back) < 0.18 ? QColor(0x8a, 0xc4, 0xff) : QColor(0x00, 0x35, 0xa0);
}

bool AttentionUi::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &m_window && event->type() == QEvent::ActivationChange && m_window.isActiveWindow())
        m_client.attention().windowActivated();
    return QObject::eventFilter(watched, event);
}

}  // namespace tavik::gui
