#pragma once

#include <QTableView>

namespace tavik::gui {

// The message list's table. It scrolls by whole rows, at the end of the list
// too: there Qt's table would put the last row flush with the bottom, which
// leaves the first shown row cut under the header whenever the list is not a
// whole number of rows high. Here the shown rows always start right below the
// header, and what is left over of the height lies below the last row.
class MessageListView : public QTableView {
    Q_OBJECT

public:
    explicit MessageListView(QWidget* parent = nullptr);

protected:
    void scrollContentsBy(int dx, int dy) override;
    void updateGeometries() override;

private:
    void startAtWholeRow();
};

}  // namespace tavik::gui
