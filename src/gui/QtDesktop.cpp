#include "QtDesktop.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QMessageBox>
#include <QPushButton>
#include <QWidget>

#include "Codec.h"
#include "SoundPlayer.h"

namespace tavik::gui {

QtDesktop::QtDesktop(QObject* parent) : QObject(parent), m_sound(new SoundPlayer(this)) {}

QtDesktop::~QtDesktop() = default;

MessageBoxAnswer QtDesktop::messageBox(std::string_view text, std::string_view caption,
                                       MessageBoxStyle style) {
    QMessageBox box(m_window);
    box.setWindowTitle(toQt(caption));
    box.setText(toQt(text));
    if (style == MessageBoxStyle::YesNoQuestion) {
        box.setIcon(QMessageBox::Question);
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.button(QMessageBox::Yes)->setText(QStringLiteral("&Ja"));
        box.button(QMessageBox::No)->setText(QStringLiteral("&Nein"));
        return box.exec() == QMessageBox::No ? MessageBoxAnswer::No : MessageBoxAnswer::Yes;
    }
    if (style == MessageBoxStyle::SendCancel) {
        // Nothing goes out by a reflex: Enter, Escape and the close box all cancel.
        box.setIcon(QMessageBox::Question);
        QPushButton* send = box.addButton(QStringLiteral("&Senden"), QMessageBox::AcceptRole);
        QPushButton* cancel = box.addButton(QStringLiteral("Abbrechen"), QMessageBox::RejectRole);
        box.setDefaultButton(cancel);
        box.setEscapeButton(cancel);
        box.exec();
        return box.clickedButton() == send ? MessageBoxAnswer::Ok : MessageBoxAnswer::Cancel;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return MessageBoxAnswer::Ok;
}

int QtDesktop::runDialog(Dialog dialog) {
    return m_dialogRunner ? m_dialogRunner(dialog) : 2;
}

void QtDesktop::focusInputLine() {
    if (m_inputLine) m_inputLine->setFocus(Qt::OtherFocusReason);
}

void QtDesktop::setTitle(std::string_view title) {
    if (m_window) m_window->setWindowTitle(toQt(title));
}

void QtDesktop::bringToFront() {
    if (!m_window) return;
    m_window->raise();
    m_window->activateWindow();
}

bool QtDesktop::isForeground() const {
    return m_window && m_window->isActiveWindow();
}

void QtDesktop::setClipboardText(std::string_view text) {
    QApplication::clipboard()->setText(toQt(text));
}

std::string QtDesktop::clipboardText() const {
    return fromQt(QApplication::clipboard()->text());
}

void QtDesktop::playSound(const std::string& path) {
    m_sound->play(pathToQt(path));
}

void QtDesktop::stopSound() {
    m_sound->stop();
}

void QtDesktop::playSystemSound(std::string_view name) {
    m_sound->playSystemSound(toQt(name));
}

void QtDesktop::notify(std::string_view title, std::string_view body, int sessionId) {
    // The taskbar's urgency hint stays until the window is active again.
    if (m_window) QApplication::alert(m_window);
    if (m_notifier) m_notifier(toQt(title), toQt(body), sessionId);
}

}  // namespace tavik::gui
