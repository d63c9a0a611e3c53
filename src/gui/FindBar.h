#pragma once

#include <QTimer>
#include <QWidget>

#include "chat/RowText.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;

namespace tavik {
class Client;
}

namespace tavik::gui {

class MessageCellDelegate;

// Find in the message list, a bar above the input line. Typing marks every
// place of the text in the rows (ignoring case); Enter and Shift+Enter mark
// the next and the previous row that holds it; Escape closes the bar. With
// "Im Logfile von heute suchen" the bar lists the lines of today's log file
// that hold the text as well.
class FindBar : public QWidget {
    Q_OBJECT

public:
    FindBar(Client& client, MessageCellDelegate& cells, QWidget* parent = nullptr);

    // Shows the bar with the focus in its text, all of it selected.
    void open();
    // Hides the bar and takes the marks off the rows.
    void close();

    QLineEdit* queryEdit() const { return m_query; }
    QCheckBox* logBox() const { return m_logBox; }
    QLabel* status() const { return m_status; }
    QListWidget* logHits() const { return m_logHits; }

signals:
    // The bar was shown or hidden: the window arranges its controls anew.
    void shownOrHidden();
    // Escape closed it: the focus goes back to the input line.
    void closed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void queryChanged();
    void step(RowSearch::Direction direction);
    void showRowCount();
    void searchLog();

    Client& m_client;
    MessageCellDelegate& m_cells;
    RowSearch m_search;
    QLineEdit* m_query = nullptr;
    QCheckBox* m_logBox = nullptr;
    QLabel* m_status = nullptr;
    QListWidget* m_logHits = nullptr;
    QTimer m_logDelay;  // the log is searched once typing pauses
};

}  // namespace tavik::gui
