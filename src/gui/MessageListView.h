#pragma once

#include <QElapsedTimer>
#include <QTableView>
#include <QTimer>
#include <cstdint>
#include <vector>

namespace tavik::gui {

// The message list's table. It scrolls by whole rows, at the end of the list
// too: there Qt's table would put the last row flush with the bottom, which
// leaves the first shown row cut under the header whenever the list is not a
// whole number of rows high. Here the shown rows always start right below the
// header, and what is left over of the height lies below the last row.
//
// While rows arrive, the rows are painted anew at most once a frame: a change of
// many rows is shown at once when the last showing is a frame ago, else when
// that frame ends. A full list that took new rows mostly shows the same rows
// one or a few places higher: the list keeps, for every place, which row it
// painted there and how (selected, focused, under the pointer), moves the
// painted pixels up by the rows that came, and paints only the places whose
// row or look differ from what is on the screen then, and the rows that
// changed where they stand.
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
    // While rows keep coming, the list is shown anew at most every second frame.
    static constexpr int ShowEveryMs = 2 * FrameMs + 1;

    explicit MessageListView(QWidget* parent = nullptr);

    void setModel(QAbstractItemModel* model) override;

    // The column takes the width the list has left (stretch), or keeps the
    // width it is given (the Autosize option fits it to its texts then).
    void stretchColumn(int column, bool stretch);

    // The address of the link at `pos` (viewport coordinates), or an empty string.
    QString linkAt(const QPoint& pos) const;

    // Row places painted since the start: a test's and a benchmark's view of the painting.
    std::uint64_t placesPainted() const { return m_placesPainted; }

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
    void paintEvent(QPaintEvent* event) override;

private:
    // What a row place of the viewport shows.
    struct Shown {
        std::uint64_t serial = Unknown;  // 0: no row
        std::uint8_t selected = 0;       // a bit per column
        std::int8_t focus = 0;           // the focused column + 1, 0: none
        bool hover = false;
        bool active = false;
        bool odd = false;  // for alternating row colours
        bool operator==(const Shown&) const = default;
    };
    static constexpr std::uint64_t Unknown = ~std::uint64_t{0};

    void startAtWholeRow();
    // How row `row` is painted now.
    Shown shownState(int row) const;
    // The row places of the viewport, their height and the first place's row;
    // false when the rows do not start at its top.
    bool rowPlaces(int& places, int& height, int& top) const;
    // Shows a change of many rows: moves what is painted, paints what differs.
    void showChanges();
    void forgetShown() { m_shown.clear(); }

    std::vector<Shown> m_shown;          // by row place, as painted last
    int m_shownHeight = 0;               // the row height m_shown was painted with
    std::vector<std::uint64_t> m_stale;  // rows changed where they stand since painted
    bool m_allStale = false;
    int m_hoverRow = -1;
    std::uint64_t m_placesPainted = 0;

    // The window system delivers a double click's second press twice, as a
    // press and as a double click of the same time: it is told once.
    quint64 m_lastPressTime = 0;
    QString m_pressedLink;       // the link a left press went down on: its release opens it
    QElapsedTimer m_sinceShown;  // since the rows were last painted anew for a change of many
    QTimer m_frame;
    bool m_pressed = false;
};

}  // namespace tavik::gui
