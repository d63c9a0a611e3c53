#pragma once

#include <QElapsedTimer>
#include <QTableView>
#include <QTimer>

namespace tavik::gui {

// The message list's table. It scrolls by whole rows, at the end of the list
// too: there Qt's table would put the last row flush with the bottom, which
// leaves the first shown row cut under the header whenever the list is not a
// whole number of rows high. Here the shown rows always start right below the
// header, and what is left over of the height lies below the last row.
//
// While rows arrive, the rows are painted anew at most once a frame: a change of
// many rows is shown at once when the last showing is a frame ago, else when
// that frame ends.
//
// A web address in the Text column is a link: a click opens it in the
// desktop's browser, a right click offers to open or copy it. A double click
// on a link is two clicks on it, never the row's double click.
//
// Every press of a button is told with the row under it (-1: no row) before
// the table acts on it, so that the engine can tell later whether that row
// is still the one under the pointer.
class MessageListView : public QTableView {
    Q_OBJECT

public:
    static constexpr int FrameMs = 16;

    explicit MessageListView(QWidget* parent = nullptr);

    // The column takes the width the list has left (stretch), or keeps the
    // width it is given (the Autosize option fits it to its texts then).
    void stretchColumn(int column, bool stretch);

    // The address of the link at `pos` (viewport coordinates), or an empty string.
    QString linkAt(const QPoint& pos) const;

signals:
    void rowPressed(int row);

protected:
    void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                     const QList<int>& roles = QList<int>()) override;
    void scrollContentsBy(int dx, int dy) override;
    void updateGeometries() override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    void startAtWholeRow();

    // The window system delivers a double click's second press twice, as a
    // press and as a double click of the same time: it is told once.
    quint64 m_lastPressTime = 0;
    QString m_pressedLink;       // the link a left press went down on: its release opens it
    QElapsedTimer m_sinceShown;  // since the rows were last painted anew for a change of many
    QTimer m_frame;
    bool m_pressed = false;
};

}  // namespace tavik::gui
