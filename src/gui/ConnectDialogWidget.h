#pragma once

#include <QDialog>

class QComboBox;
class QPushButton;

namespace tavik {
class Client;
}

namespace tavik::gui {

// "Verbindungs-Dialog": the server address, picked from the recently used ones
// or typed. It only shows the engine's ConnectDialog, which the engine has
// opened before; every button asks the model, and the dialog closes only when
// the model says so. exec() gives 1 (Verbinden), 3 (Nur schauen) or 2
// (Abbrechen, Escape or the window's close button).
class ConnectDialogWidget : public QDialog {
    Q_OBJECT

public:
    static constexpr int MaxAddress = 255;

    ConnectDialogWidget(tavik::Client& client, QWidget* parent = nullptr);

    QComboBox* addressBox() const { return m_address; }
    QPushButton* connectButton() const { return m_connect; }
    QPushButton* lookOnlyButton() const { return m_lookOnly; }
    QPushButton* removeButton() const { return m_remove; }
    QPushButton* cancelButton() const { return m_cancel; }

public slots:
    // "Verbinden"; Abbrechen, Escape and the close button all cancel.
    void accept() override { confirm(false); }
    void reject() override;

private:
    void confirm(bool lookOnly);
    void removeSelected();

    tavik::Client& m_client;
    QComboBox* m_address;
    QPushButton* m_connect;
    QPushButton* m_lookOnly;
    QPushButton* m_remove;
    QPushButton* m_cancel;
};

}  // namespace tavik::gui
