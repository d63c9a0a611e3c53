#pragma once

#include <QFont>
#include <QStyledItemDelegate>
#include <QTextLayout>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "chat/RowText.h"

class QTableView;

namespace tavik::gui {

class MessageListModel;

// Paints the message list's cells as the style paints an item view's items
// (panel, selection, tint, icon, focus), but with text that was shaped once:
// each cell's laid-out text is kept under the row's serial and the column, and
// laid out again only when its text, the font or the column's width changed.
// A new row moves the serials under the rows, it does not reshape them, so a
// busy chat repaints its rows from kept layouts.
//
// The marker on a blank filler row is drawn as a dotted frame around the row
// instead of the selection fill, which over the empty rows at the top of the
// list would read as a glitch.
class MessageCellDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    MessageCellDelegate(QTableView* view, MessageListModel* model);
    ~MessageCellDelegate() override;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    // A cell cut short shows its whole text as a tooltip.
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

    // The places of `query` in the Name and Text columns are marked (empty: none).
    void setHighlight(std::string query);
    const std::string& highlight() const { return m_highlight; }
    // The address a link in the Text column at `pos` (viewport coordinates)
    // opens, or an empty string: the cell as it was painted last.
    QString linkAt(const QModelIndex& index, const QPoint& pos) const;

    // Layouts kept at most; beyond, the ones not painted for longest go.
    static constexpr int KeptLayouts = 1024;
    // How many layouts were made since the start: a test's and a benchmark's view of the cache.
    std::uint64_t layoutsMade() const { return m_layoutsMade; }
    void forgetLayouts();

private:
    struct Shaped {
        QString text;
        int width = 0;
        QSize size;                                 // of the laid-out text, as the style aligns it
        std::shared_ptr<const QTextLayout> layout;  // shared by cells of the same short text
        int shown = 0;                              // characters of the text shown, before an ellipsis
        bool elided = false;
        int textLeft = 0;              // where the text starts, from the cell's left edge, when painted last
        std::vector<TextRange> links;  // Text column only
        std::vector<TextRange> matches;  // of the highlight...
        std::uint64_t matchesOf = 0;     // ...of this number
    };

    struct SharedLayout {
        std::shared_ptr<const QTextLayout> layout;
        QSize size;
        int shown = 0;
        bool elided = false;
    };

    // What decides where the style puts a cell's text, but for the text itself.
    struct TextRoomKey {
        QSize cell;
        QSize decoration;
        int features = 0;
        bool noIcon = true;
        int alignment = 0;
        int decorationPosition = 0;
        Qt::LayoutDirection direction = Qt::LeftToRight;
        const QStyle* style = nullptr;
        bool operator==(const TextRoomKey&) const = default;
    };

    void paintCell(QPainter* painter, QStyleOptionViewItem& option, const QModelIndex& index) const;
    QRect textRectOf(const QStyle* style, const QStyleOptionViewItem& opt) const;
    const Shaped* kept(const QModelIndex& index) const;
    Shaped& shaped(const QModelIndex& index, const QString& text, const QFont& font, int width,
                   Qt::TextElideMode elide) const;

    QTableView* m_view;
    MessageListModel* m_model;
    // Two generations: a cell painted again moves to the young one; when the
    // young one is full, the old one goes. What the visible rows use stays.
    mutable std::unordered_map<quint64, Shaped> m_young;
    mutable std::unordered_map<quint64, Shaped> m_old;
    // Layouts of short texts by text, width and elision.
    mutable std::unordered_map<QString, SharedLayout> m_shared;
    mutable QFont m_font;
    mutable std::vector<std::pair<TextRoomKey, QRect>> m_textRooms;
    std::string m_highlight;
    std::uint64_t m_highlightNumber = 1;
    mutable std::uint64_t m_layoutsMade = 0;
};

}  // namespace tavik::gui
