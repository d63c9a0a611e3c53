#include "MessageCellDelegate.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QHeaderView>
#include <QHelpEvent>
#include <QPainter>
#include <QTableView>
#include <QToolTip>
#include <algorithm>
#include <utility>

#include "Codec.h"
#include "MessageListModel.h"
#include "net/LineKind.h"

namespace tavik::gui {

MessageCellDelegate::MessageCellDelegate(QTableView* view, MessageListModel* model)
    : QStyledItemDelegate(view), m_view(view), m_model(model) {}

MessageCellDelegate::~MessageCellDelegate() = default;

void MessageCellDelegate::forgetLayouts() {
    m_young.clear();
    m_old.clear();
    m_shared.clear();
}

void MessageCellDelegate::setHighlight(std::string query) {
    if (query == m_highlight) return;
    m_highlight = std::move(query);
    ++m_highlightNumber;
    m_view->viewport()->update();
}

const MessageCellDelegate::Shaped* MessageCellDelegate::kept(const QModelIndex& index) const {
    const quint64 key = m_model->serialOf(index.row()) * 4 + static_cast<quint64>(index.column() & 3);
    if (auto it = m_young.find(key); it != m_young.end()) return &it->second;
    if (auto it = m_old.find(key); it != m_old.end()) return &it->second;
    return nullptr;
}

QString MessageCellDelegate::linkAt(const QModelIndex& index, const QPoint& pos) const {
    if (!index.isValid() || index.column() != m_model->textColumn()) return {};
    const Shaped* cell = kept(index);
    if (cell == nullptr || cell->layout == nullptr || cell->links.empty() || cell->layout->lineCount() == 0)
        return {};
    const QRect rect = m_view->visualRect(index);
    const qreal x = pos.x() - rect.x() - cell->textLeft;
    const QTextLine line = cell->layout->lineAt(0);
    if (x < 0 || x >= line.naturalTextWidth()) return {};
    const int at = line.xToCursor(x, QTextLine::CursorOnCharacter);
    if (at < 0 || at >= cell->shown) return {};
    for (const TextRange& link : cell->links) {
        if (static_cast<std::size_t>(at) >= link.begin &&
            static_cast<std::size_t>(at) < link.begin + link.length)
            return toQt(
                linkTarget(m_model->cellBytes(index.row(), index.column()).substr(link.begin, link.length)));
    }
    return {};
}

bool MessageCellDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view,
                                    const QStyleOptionViewItem& option, const QModelIndex& index) {
    if (event == nullptr || view == nullptr || event->type() != QEvent::ToolTip)
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    const Shaped* cell = index.isValid() ? kept(index) : nullptr;
    if (cell == nullptr || !cell->elided) {
        QToolTip::hideText();
        return true;
    }
    QToolTip::showText(event->globalPos(), cell->text, view->viewport(), view->visualRect(index));
    return true;
}

void MessageCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
    QStyleOptionViewItem opt(option);
    initStyleOption(&opt, index);
    const bool filler = m_model->kindOf(index.row()) == static_cast<int>(LineKind::Filler);
    if (!filler || !opt.state.testFlag(QStyle::State_Selected)) {
        paintCell(painter, opt, index);
        return;
    }
    opt.state &= ~(QStyle::State_Selected | QStyle::State_HasFocus);
    // The view has filled the selected row's panel already; cover it.
    painter->fillRect(option.rect, option.palette.brush(QPalette::Base));
    paintCell(painter, opt, index);

    // One dotted frame around the whole row: top and bottom on every cell,
    // the sides on the first and the last shown column.
    const QHeaderView* header = m_view->horizontalHeader();
    int first = -1;
    int last = -1;
    for (int visual = 0; visual < header->count(); ++visual) {
        const int logical = header->logicalIndex(visual);
        if (header->isSectionHidden(logical)) continue;
        if (first < 0) first = logical;
        last = logical;
    }
    const QRect r = option.rect.adjusted(0, 0, -1, -1);
    painter->save();
    painter->setPen(QPen(option.palette.color(QPalette::Text), 1, Qt::DotLine));
    painter->drawLine(r.topLeft(), r.topRight());
    painter->drawLine(r.bottomLeft(), r.bottomRight());
    if (index.column() == first) painter->drawLine(r.topLeft(), r.bottomLeft());
    if (index.column() == last) painter->drawLine(r.topRight(), r.bottomRight());
    painter->restore();
}

void MessageCellDelegate::paintCell(QPainter* painter, QStyleOptionViewItem& opt,
                                    const QModelIndex& index) const {
    const QWidget* widget = opt.widget;
    QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
    if (opt.text.isEmpty()) {
        style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
        return;
    }
    const QRect textRect = textRectOf(style, opt);
    const QString text = std::exchange(opt.text, QString());
    // Panel, selection, tint, icon and focus frame as the style draws them.
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);

    // The text as the style draws it: margins of the focus frame, one line,
    // elided at the right, centred in the height, in the state's colour.
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    const QRect inner = textRect.adjusted(margin, 0, -margin, 0);
    QPalette::ColorGroup group =
        opt.state.testFlag(QStyle::State_Enabled) ? QPalette::Normal : QPalette::Disabled;
    if (group == QPalette::Normal && !opt.state.testFlag(QStyle::State_Active)) group = QPalette::Inactive;
    const QColor pen = opt.palette.color(
        group, opt.state.testFlag(QStyle::State_Selected) ? QPalette::HighlightedText : QPalette::Text);

    Shaped& cell = shaped(index, text, opt.font, inner.width(), opt.textElideMode);
    cell.textLeft = inner.x() - opt.rect.x();
    const QRect placed = QStyle::alignedRect(Qt::LeftToRight, opt.displayAlignment, cell.size, inner);
    const bool searched = index.column() == m_model->textColumn() || index.column() == m_model->nameColumn();
    if (searched && cell.matchesOf != m_highlightNumber) {
        cell.matches = findMatches(m_model->cellBytes(index.row(), index.column()), m_highlight);
        cell.matchesOf = m_highlightNumber;
    }
    // Links and marked places are drawn over the shaped text; they shape nothing.
    QList<QTextLayout::FormatRange> marks;
    if (!cell.links.empty() || (searched && !cell.matches.empty())) {
        const bool selected = opt.state.testFlag(QStyle::State_Selected);
        const auto add = [&](const TextRange& r, const QTextCharFormat& format) {
            const int begin = static_cast<int>(r.begin);
            const int end = std::min(cell.shown, static_cast<int>(r.begin + r.length));
            if (end > begin) marks.append({begin, end - begin, format});
        };
        QTextCharFormat link;
        link.setForeground(selected ? pen : opt.palette.color(group, QPalette::Link));
        link.setFontUnderline(true);
        for (const TextRange& r : cell.links)
            add(r, link);
        QTextCharFormat match;
        match.setBackground(QColor(255, 214, 0));
        match.setForeground(QColor(0, 0, 0));
        for (const TextRange& r : cell.matches)
            add(r, match);
    }
    painter->save();
    painter->setClipRect(opt.rect);
    painter->setPen(pen);
    cell.layout->draw(painter, QPointF(inner.x(), placed.top()), marks);
    painter->restore();
}

QRect MessageCellDelegate::textRectOf(const QStyle* style, const QStyleOptionViewItem& opt) const {
    // Where the style puts the text. A table shows the decoration selected,
    // and then the text takes all the room beside the icon whatever it says;
    // but the style lays the text out to find that room, so the room is
    // found once per cell shape, with a text of one letter.
    if (!opt.showDecorationSelected)
        return style->subElementRect(QStyle::SE_ItemViewItemText, &opt, opt.widget);
    const TextRoomKey key{opt.rect.size(),
                          opt.decorationSize,
                          static_cast<int>(opt.features),
                          opt.icon.isNull(),
                          static_cast<int>(opt.displayAlignment),
                          static_cast<int>(opt.decorationPosition),
                          opt.direction,
                          style};
    auto room = std::find_if(m_textRooms.begin(), m_textRooms.end(),
                             [&](const std::pair<TextRoomKey, QRect>& r) { return r.first == key; });
    if (room == m_textRooms.end()) {
        QStyleOptionViewItem probe(opt);
        probe.rect.moveTo(0, 0);
        probe.text = QStringLiteral("x");
        if (m_textRooms.size() >= 16) m_textRooms.clear();
        m_textRooms.emplace_back(key, style->subElementRect(QStyle::SE_ItemViewItemText, &probe, opt.widget));
        room = std::prev(m_textRooms.end());
    }
    return room->second.translated(opt.rect.topLeft());
}

MessageCellDelegate::Shaped& MessageCellDelegate::shaped(const QModelIndex& index, const QString& text,
                                                         const QFont& font, int width,
                                                         Qt::TextElideMode elide) const {
    if (font != m_font) {
        m_young.clear();
        m_old.clear();
        m_shared.clear();
        m_textRooms.clear();
        m_font = font;
    }
    const quint64 key = m_model->serialOf(index.row()) * 4 + static_cast<quint64>(index.column() & 3);
    auto it = m_young.find(key);
    if (it == m_young.end()) {
        auto old = m_old.find(key);
        if (m_young.size() >= static_cast<std::size_t>(KeptLayouts / 2)) {
            // The young generation is full: it becomes the old one.
            Shaped moved;
            if (old != m_old.end()) moved = std::move(old->second);
            m_old = std::move(m_young);
            m_young.clear();
            it = m_young.emplace(key, std::move(moved)).first;
        } else if (old != m_old.end()) {
            it = m_young.emplace(key, std::move(old->second)).first;
            m_old.erase(old);
        } else {
            it = m_young.emplace(key, Shaped{}).first;
        }
    }
    Shaped& cell = it->second;
    if (cell.layout != nullptr && cell.width == width && cell.text == text) return cell;

    // Short texts come again and again (times, chat names, nicks): a row
    // takes the layout an earlier cell of the same text and width made.
    const bool shareable = index.column() != m_model->textColumn() && text.size() <= 32;
    QString shareKey;
    if (shareable) {
        shareKey = text;
        shareKey += QChar(0);
        shareKey += QString::number(width);
        shareKey += QChar(elide == Qt::ElideRight ? u'r' : u'o');
        if (const auto shared = m_shared.find(shareKey); shared != m_shared.end()) {
            cell.layout = shared->second.layout;
            cell.size = shared->second.size;
            cell.shown = shared->second.shown;
            cell.elided = shared->second.elided;
            cell.links.clear();
            cell.matchesOf = 0;
            cell.text = text;
            cell.width = width;
            return cell;
        }
    }

    // As the style lays out a one-line item text: the whole text first, and
    // elided when it is wider than the room.
    ++m_layoutsMade;
    QTextOption option;
    option.setWrapMode(QTextOption::ManualWrap);
    option.setTextDirection(Qt::LeftToRight);
    option.setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    const auto layOut = [&](QTextLayout& layout) {
        layout.setTextOption(option);
        // Kept whole after endLayout(), so that drawing does not lay out again.
        layout.setCacheEnabled(true);
        layout.beginLayout();
        qreal height = 0;
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(width);
            line.setPosition(QPointF(0, height));
            height += line.height();
        }
        layout.endLayout();
    };
    auto layout = std::make_unique<QTextLayout>(text, font);
    layOut(*layout);
    cell.size = layout->boundingRect().size().toSize();
    cell.shown = static_cast<int>(text.size());
    cell.elided = false;
    if (layout->lineCount() == 1 && layout->lineAt(0).naturalTextWidth() > width) {
        const QString elided = QFontMetrics(font).elidedText(text, elide, width);
        cell.elided = elided != text;
        if (cell.elided && elide == Qt::ElideRight)
            cell.shown = std::max(0, static_cast<int>(elided.size()) - 1);
        layout = std::make_unique<QTextLayout>(elided, font);
        layOut(*layout);
    }
    cell.layout = std::move(layout);
    if (shareable) {
        if (m_shared.size() >= KeptLayouts / 2) m_shared.clear();
        m_shared.emplace(shareKey, SharedLayout{cell.layout, cell.size, cell.shown, cell.elided});
    }
    if (index.column() == m_model->textColumn()) {
        cell.links = findLinks(m_model->cellBytes(index.row(), index.column()));
    } else {
        cell.links.clear();
    }
    cell.matchesOf = 0;
    cell.text = text;
    cell.width = width;
    return cell;
}

}  // namespace tavik::gui
