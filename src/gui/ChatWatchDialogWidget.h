#pragma once

#include <QDialog>
#include <vector>

#include "chat/ChatWatchDialog.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace tavik {
class Client;
}

namespace tavik::gui {

// "Meldung bei Eintreten folgender Chatter(innen)": the watch list with its
// greetings. It opens the engine's ChatWatchDialog and shows it; every edit
// goes into the model, which keeps ChatWatch.cfg up to date itself. exec()
// gives 2 for "&Schliessen", Escape and the window's close button alike; all
// three ask the current session for a fresh chatter list.
class ChatWatchDialogWidget : public QDialog {
    Q_OBJECT

public:
    static constexpr int ColumnWidth = 100;

    ChatWatchDialogWidget(tavik::Client& client, QWidget* parent = nullptr);
    ~ChatWatchDialogWidget() override;
    ChatWatchDialogWidget(const ChatWatchDialogWidget&) = delete;
    ChatWatchDialogWidget& operator=(const ChatWatchDialogWidget&) = delete;

    QTreeWidget* listView() const { return m_list; }
    QLineEdit* nameEdit() const { return m_name; }
    QLineEdit* greetingEdit() const { return m_greeting; }
    QCheckBox* notifyOnceBox() const { return m_notifyOnce; }
    QCheckBox* sendOnceBox() const { return m_sendOnce; }
    QPushButton* addButton() const { return m_add; }
    QPushButton* deleteButton() const { return m_delete; }
    QPushButton* closeButton() const { return m_close; }

public slots:
    // Enter is "&Add / Change", the dialog's first button; the dialog stays open.
    void accept() override;
    void reject() override;

private:
    void rowClicked(QTreeWidgetItem* item);
    void removeSelected();
    void mirror();
    void showRows();

    tavik::ChatWatchDialog& m_model;
    QTreeWidget* m_list;
    QLineEdit* m_name;
    QLineEdit* m_greeting;
    QCheckBox* m_notifyOnce;
    QCheckBox* m_sendOnce;
    QPushButton* m_add;
    QPushButton* m_delete;
    QPushButton* m_close;
    std::vector<tavik::ChatWatchDialog::Row> m_shownRows;
    bool m_mirroring = false;
};

}  // namespace tavik::gui
