#include "ChannelPasswordDialogWidget.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "Codec.h"

namespace tavik::gui {

ChannelPasswordDialogWidget::ChannelPasswordDialogWidget(QWidget* parent)
    : QDialog(parent),
      m_password(new QLineEdit(this)),
      m_ok(new QPushButton(QStringLiteral("OK"), this)),
      m_cancel(new QPushButton(QStringLiteral("Abbrechen"), this)) {
    setWindowTitle(QStringLiteral("Passworteingabe für Channel"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setModal(true);

    m_password->setMaxLength(MaxPassword);
    m_password->setEchoMode(QLineEdit::Password);
    auto* label = new QLabel(QStringLiteral("Das Passwort für diesen Channel:"), this);
    label->setBuddy(m_password);
    m_ok->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(m_password);
    layout->addLayout(buttons);

    // Wide enough for the whole title in the window's frame (the buttons of the
    // title bar and the icon take about as much again as three letters each).
    const QFontMetrics titleMetrics(QApplication::font("QMdiSubWindowTitleBar"));
    setMinimumWidth(std::max(titleMetrics.horizontalAdvance(windowTitle()),
                             fontMetrics().horizontalAdvance(windowTitle())) +
                    TitleBarAllowance);

    connect(m_ok, &QPushButton::clicked, this, &ChannelPasswordDialogWidget::accept);
    connect(m_cancel, &QPushButton::clicked, this, &ChannelPasswordDialogWidget::reject);
    m_password->setFocus(Qt::OtherFocusReason);
}

std::string ChannelPasswordDialogWidget::password() const {
    return fromQt(m_password->text());
}

std::optional<std::string> ChannelPasswordDialogWidget::run() {
    if (exec() != 1) return std::nullopt;
    return password();
}

}  // namespace tavik::gui
