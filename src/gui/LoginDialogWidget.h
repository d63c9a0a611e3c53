#pragma once

#include <QDialog>
#include <QString>
#include <string>
#include <string_view>

class QComboBox;
class QPlainTextEdit;
class QPushButton;

namespace tavik {
class Client;
}

namespace tavik::gui {

// "Login": the nickname and its Login- and Logout-Auto-Texts. It shows the
// engine's LoginDialog, which the engine has opened before; the model sends the
// answers on the current socket. exec() gives 1 (OK), 2 (Abbrechen, Escape or
// the window's close button) or 3 (Nur schauen).
//
// Closing the window is leaving the login, so it does what "&Abbrechen" does and
// sends "/e\r": the server must not be left waiting for a nickname.
class LoginDialogWidget : public QDialog {
    Q_OBJECT

public:
    LoginDialogWidget(tavik::Client& client, QWidget* parent = nullptr);

    QComboBox* nickBox() const { return m_nick; }
    QPlainTextEdit* loginTextEdit() const { return m_loginText; }
    QPlainTextEdit* logoutTextEdit() const { return m_logoutText; }
    QPushButton* okButton() const { return m_ok; }
    QPushButton* cancelButton() const { return m_cancel; }
    QPushButton* lookOnlyButton() const { return m_lookOnly; }
    QPushButton* removeButton() const { return m_remove; }

    // The model keeps "\r\n" line ends; the edits show plain lines.
    static QString textForEdit(std::string_view modelText);
    static std::string textForModel(const QString& editText);

public slots:
    void accept() override;
    void reject() override;

private:
    void entryChosen(int index);
    void removeSelected();
    void lookOnly();
    void showTexts();

    tavik::Client& m_client;
    QComboBox* m_nick;
    QPlainTextEdit* m_loginText;
    QPlainTextEdit* m_logoutText;
    QPushButton* m_ok;
    QPushButton* m_cancel;
    QPushButton* m_lookOnly;
    QPushButton* m_remove;
    bool m_filling = false;
};

}  // namespace tavik::gui
