#include "ConnectDialogWidget.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "Codec.h"
#include "app/Client.h"

namespace tavik::gui {

ConnectDialogWidget::ConnectDialogWidget(tavik::Client& client, QWidget* parent)
    : QDialog(parent),
      m_client(client),
      m_address(new QComboBox(this)),
      m_connect(new QPushButton(QStringLiteral("Verbinden"), this)),
      m_lookOnly(new QPushButton(QStringLiteral("&Nur schauen wer da ist"), this)),
      m_remove(new QPushButton(QStringLiteral("Aus der Liste &löschen"), this)),
      m_cancel(new QPushButton(QStringLiteral("Abbrechen"), this)) {
    setWindowTitle(QStringLiteral("Verbindungs-Dialog"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setModal(true);

    m_address->setEditable(true);
    m_address->setInsertPolicy(QComboBox::NoInsert);
    m_address->setMinimumContentsLength(30);
    m_address->lineEdit()->setMaxLength(MaxAddress);
    // The inline completer takes the first Enter on the preselected (selected)
    // address as accepting its completion, and the dialog never saw it: one
    // Enter must connect, as in the Login dialog.
    m_address->setCompleter(nullptr);
    const ConnectDialog& model = client.connectDialog();
    for (const std::string& entry : model.entries())
        m_address->addItem(toQt(entry));
    // The model chose the first entry (or nothing when the list is empty).
    m_address->setCurrentIndex(model.entries().empty() ? -1 : 0);
    m_address->setEditText(toQt(model.text()));

    auto* label = new QLabel(QStringLiteral("Adresse:"), this);
    label->setBuddy(m_address);
    m_connect->setDefault(true);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(m_connect);
    buttons->addWidget(m_lookOnly);
    buttons->addWidget(m_remove);
    buttons->addWidget(m_cancel);
    buttons->addStretch();

    auto* layout = new QGridLayout(this);
    layout->addWidget(label, 0, 0);
    layout->addWidget(m_address, 1, 0, Qt::AlignTop);
    layout->addLayout(buttons, 0, 1, 3, 1);
    layout->setRowStretch(2, 1);
    layout->setColumnStretch(0, 1);

    connect(m_connect, &QPushButton::clicked, this, [this] { confirm(false); });
    connect(m_lookOnly, &QPushButton::clicked, this, [this] { confirm(true); });
    connect(m_remove, &QPushButton::clicked, this, &ConnectDialogWidget::removeSelected);
    connect(m_cancel, &QPushButton::clicked, this, &ConnectDialogWidget::reject);
    m_address->setFocus(Qt::OtherFocusReason);
}

void ConnectDialogWidget::confirm(bool lookOnly) {
    ConnectDialog& model = m_client.connectDialog();
    model.setText(fromQt(m_address->currentText()));
    // The model refuses an empty address (with its message) and an unknown host
    // (silently); the dialog then stays open.
    if (model.accept(lookOnly)) done(lookOnly ? 3 : 1);
}

void ConnectDialogWidget::removeSelected() {
    const int index = m_address->currentIndex();
    if (index < 0) return;
    m_client.connectDialog().removeEntry(index);
    // The typed text stays; only the list loses the entry.
    const QString text = m_address->currentText();
    m_address->removeItem(index);
    m_address->setCurrentIndex(-1);
    m_address->setEditText(text);
}

void ConnectDialogWidget::reject() {
    m_client.connectDialog().cancel();
    done(2);
}

}  // namespace tavik::gui
