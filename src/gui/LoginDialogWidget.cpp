#include "LoginDialogWidget.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "Codec.h"
#include "app/Client.h"

namespace tavik::gui {

namespace {

QPlainTextEdit* autoTextEdit(QWidget* parent) {
    auto* edit = new QPlainTextEdit(parent);
    edit->setTabChangesFocus(true);
    edit->setLineWrapMode(QPlainTextEdit::NoWrap);
    edit->setMinimumHeight(edit->fontMetrics().lineSpacing() * 4);
    return edit;
}

}  // namespace

LoginDialogWidget::LoginDialogWidget(tavik::Client& client, QWidget* parent)
    : QDialog(parent),
      m_client(client),
      m_nick(new QComboBox(this)),
      m_loginText(autoTextEdit(this)),
      m_logoutText(autoTextEdit(this)),
      m_ok(new QPushButton(QStringLiteral("&OK"), this)),
      m_cancel(new QPushButton(QStringLiteral("&Abbrechen"), this)),
      m_lookOnly(new QPushButton(QStringLiteral("&Nur schauen wer da ist"), this)),
      m_remove(new QPushButton(QStringLiteral("Aus der Liste &löschen"), this)) {
    setWindowTitle(QStringLiteral("Login"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setModal(true);

    m_nick->setEditable(true);
    m_nick->setInsertPolicy(QComboBox::NoInsert);
    m_nick->setDuplicatesEnabled(true);
    m_nick->setMinimumContentsLength(20);
    m_nick->lineEdit()->setMaxLength(static_cast<int>(LoginDialog::MaxNick));
    // Completion would replace what was typed by a longer listed nick.
    m_nick->setCompleter(nullptr);
    {
        const LoginDialog& model = client.loginDialog();
        const QSignalBlocker blocker(m_nick);
        for (const std::string& entry : model.entries())
            m_nick->addItem(toQt(entry));
        m_nick->setCurrentIndex(model.selected());
        m_nick->setEditText(toQt(model.nick()));
    }
    showTexts();

    auto* nickLabel = new QLabel(QStringLiteral("Ihr &Nickname:"), this);
    nickLabel->setBuddy(m_nick);
    auto* loginLabel = new QLabel(QStringLiteral("Login-Auto-Text:"), this);
    loginLabel->setBuddy(m_loginText);
    auto* logoutLabel = new QLabel(QStringLiteral("Logout-Auto-Text:"), this);
    logoutLabel->setBuddy(m_logoutText);
    m_ok->setDefault(true);

    auto* nickRow = new QHBoxLayout;
    nickRow->addWidget(m_nick, 1);
    nickRow->addWidget(m_remove);

    auto* left = new QVBoxLayout;
    // Back after the server refused the nick: its own words say why.
    if (const std::string& why = client.loginDialog().reason(); !why.empty()) {
        auto* reason =
            new QLabel(QStringLiteral("Der Server hat den Nicknamen abgelehnt:\n") + toQt(why), this);
        reason->setObjectName(QStringLiteral("reason"));
        reason->setWordWrap(true);
        reason->setTextFormat(Qt::PlainText);
        left->addWidget(reason);
    }
    left->addWidget(nickLabel);
    left->addLayout(nickRow);
    left->addWidget(loginLabel);
    left->addWidget(m_loginText, 1);
    left->addWidget(logoutLabel);
    left->addWidget(m_logoutText, 1);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    buttons->addWidget(m_lookOnly);
    buttons->addStretch();

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(buttons);

    // Picking the shown entry again also brings back its stored texts.
    connect(m_nick, &QComboBox::currentIndexChanged, this, &LoginDialogWidget::entryChosen);
    connect(m_nick, &QComboBox::activated, this, &LoginDialogWidget::entryChosen);
    connect(m_ok, &QPushButton::clicked, this, &LoginDialogWidget::accept);
    connect(m_cancel, &QPushButton::clicked, this, &LoginDialogWidget::reject);
    connect(m_lookOnly, &QPushButton::clicked, this, &LoginDialogWidget::lookOnly);
    connect(m_remove, &QPushButton::clicked, this, &LoginDialogWidget::removeSelected);
    m_nick->setFocus(Qt::OtherFocusReason);
}

QString LoginDialogWidget::textForEdit(std::string_view modelText) {
    QString text = toQt(modelText);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

std::string LoginDialogWidget::textForModel(const QString& editText) {
    QString text = editText;
    text.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    return fromQt(text);
}

void LoginDialogWidget::showTexts() {
    const LoginDialog& model = m_client.loginDialog();
    m_loginText->setPlainText(textForEdit(model.loginText()));
    m_logoutText->setPlainText(textForEdit(model.logoutText()));
}

void LoginDialogWidget::entryChosen(int index) {
    if (index < 0) return;
    m_client.loginDialog().selectEntry(index);
    showTexts();
}

void LoginDialogWidget::removeSelected() {
    LoginDialog& model = m_client.loginDialog();
    const int index = model.selected();
    if (index < 0 || index >= m_nick->count()) return;
    model.removeSelected();
    // The list loses the entry; the typed nick and the texts stay.
    const QString text = m_nick->currentText();
    const QSignalBlocker blocker(m_nick);
    m_nick->removeItem(index);
    m_nick->setCurrentIndex(-1);
    m_nick->setEditText(text);
}

void LoginDialogWidget::accept() {
    LoginDialog& model = m_client.loginDialog();
    model.setNick(fromQt(m_nick->currentText()));
    model.setLoginText(textForModel(m_loginText->toPlainText()));
    model.setLogoutText(textForModel(m_logoutText->toPlainText()));
    // An empty nick is refused by the model with its message; the dialog stays.
    if (model.ok()) done(1);
}

void LoginDialogWidget::reject() {
    if (m_client.loginDialog().cancel()) done(2);
}

void LoginDialogWidget::lookOnly() {
    if (m_client.loginDialog().lookOnly()) done(3);
}

}  // namespace tavik::gui
