#pragma once

#include <QDialog>
#include <optional>
#include <string>

class QLineEdit;
class QPushButton;

namespace tavik::gui {

// "Passworteingabe für Channel": asks for the password of a protected channel
// before it is entered. exec() gives 1 for OK and 2 for Abbrechen (or closing).
class ChannelPasswordDialogWidget : public QDialog {
    Q_OBJECT

public:
    static constexpr int MaxPassword = 99;
    // Room the title bar takes besides the title: icon, buttons, margins.
    static constexpr int TitleBarAllowance = 140;

    explicit ChannelPasswordDialogWidget(QWidget* parent = nullptr);

    // Runs the dialog: the password as Windows-1252 bytes on OK, nothing on Abbrechen.
    std::optional<std::string> run();
    // What the field holds, as Windows-1252 bytes (at most MaxPassword characters).
    std::string password() const;

    QLineEdit* passwordEdit() const { return m_password; }
    QPushButton* okButton() const { return m_ok; }
    QPushButton* cancelButton() const { return m_cancel; }

public slots:
    void accept() override { done(1); }
    void reject() override { done(2); }

private:
    QLineEdit* m_password;
    QPushButton* m_ok;
    QPushButton* m_cancel;
};

}  // namespace tavik::gui
