#include "MessageListView.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QScrollBar>

namespace tavik::gui {

MessageListView::MessageListView(QWidget* parent) : QTableView(parent) {}

void MessageListView::scrollContentsBy(int dx, int dy) {
    QTableView::scrollContentsBy(dx, dy);
    if (dy != 0) startAtWholeRow();
}

void MessageListView::updateGeometries() {
    QTableView::updateGeometries();
    startAtWholeRow();
}

void MessageListView::mousePressEvent(QMouseEvent* event) {
    m_lastPressTime = event->timestamp();
    m_pressed = true;
    emit rowPressed(indexAt(event->position().toPoint()).row());
    QTableView::mousePressEvent(event);
}

void MessageListView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (!m_pressed || event->timestamp() != m_lastPressTime)
        emit rowPressed(indexAt(event->position().toPoint()).row());
    m_pressed = false;
    QTableView::mouseDoubleClickEvent(event);
}

void MessageListView::startAtWholeRow() {
    if (verticalScrollMode() != ScrollPerItem) return;
    // The scroll bar counts rows and its maximum leaves room for the rows from
    // there to the end, so that row's top is where the rows start.
    QHeaderView* rows = verticalHeader();
    const int before = rows->offset();
    rows->setOffsetToSectionPosition(verticalScrollBar()->value());
    // The table has moved the painted rows by its own offset: paint them anew.
    if (rows->offset() != before) viewport()->update();
}

}  // namespace tavik::gui
