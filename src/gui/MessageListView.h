#pragma once

#include <QTableView>

namespace tavik::gui {

// The message list's table. It scrolls by whole rows, at the end of the list
// too: there Qt's table would put the last row flush with the bottom, which
// leaves the first shown row cut under the header whenever the list is not a
// whole number of rows high. Here the shown rows always start right below the
// header, and what is left over of the height lies below the last row.
//
// Every press of a button is told with the row under it (-1: no row) before
// the table acts on it, so that the engine can tell later whether that row
// is still the one under the pointer.
class MessageListView : public QTableView {
    Q_OBJECT

public:
    explicit MessageListView(QWidget* parent = nullptr);

signals:
    void rowPressed(int row);

protected:
    void scrollContentsBy(int dx, int dy) override;
    void updateGeometries() override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void startAtWholeRow();

    // The window system delivers a double click's second press twice, as a
    // press and as a double click of the same time: it is told once.
    quint64 m_lastPressTime = 0;
    bool m_pressed = false;
};

}  // namespace tavik::gui
