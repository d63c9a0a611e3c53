#include "MessageListView.h"

#include <QAccessible>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QScrollBar>
#include <QUrl>
#include <algorithm>
#include <utility>

#include "Codec.h"
#include "MessageCellDelegate.h"
#include "MessageListModel.h"
#include "chat/RowText.h"

namespace tavik::gui {

MessageListView::MessageListView(QWidget* parent) : QTableView(parent) {
    m_frame.setSingleShot(true);
    QObject::connect(&m_frame, &QTimer::timeout, this, [this] {
        m_sinceShown.start();
        showChanges();
    });
}

void MessageListView::setModel(QAbstractItemModel* model) {
    forgetShown();
    QTableView::setModel(model);
}

void MessageListView::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                                  const QList<int>& roles) {
    // One row, or a change of how all rows look (colours, icons): as the table does it.
    const auto* rows = qobject_cast<const MessageListModel*>(model());
    if (topLeft.row() == bottomRight.row() || !roles.isEmpty() || rows == nullptr) {
        // The row's place is painted anew, whatever moves before that.
        if (rows != nullptr && topLeft.row() == bottomRight.row() && !m_allStale) {
            const std::uint64_t serial = rows->serialOf(topLeft.row());
            if (std::find(m_stale.begin(), m_stale.end(), serial) == m_stale.end()) m_stale.push_back(serial);
        }
        QTableView::dataChanged(topLeft, bottomRight, roles);
        return;
    }
    if (!m_frame.isActive() && (!m_sinceShown.isValid() || m_sinceShown.elapsed() >= ShowEveryMs)) {
        m_sinceShown.start();
        showChanges();
    } else if (!m_frame.isActive()) {
        // Within the frame: shown when it ends.
        m_frame.start(static_cast<int>(std::max<qint64>(1, ShowEveryMs - m_sinceShown.elapsed())));
    }
    // Whoever reads the list aloud hears of it now.
#if QT_CONFIG(accessibility)
    if (QAccessible::isActive()) {
        QAccessibleTableModelChangeEvent event(this, QAccessibleTableModelChangeEvent::DataChanged);
        event.setFirstRow(topLeft.row());
        event.setFirstColumn(topLeft.column());
        event.setLastRow(bottomRight.row());
        event.setLastColumn(bottomRight.column());
        QAccessible::updateAccessibility(&event);
    }
#endif
}

void MessageListView::scrollContentsBy(int dx, int dy) {
    // The table moves the painted pixels itself: which row shows where is not known then.
    forgetShown();
    QTableView::scrollContentsBy(dx, dy);
    if (dy != 0) startAtWholeRow();
}

void MessageListView::updateGeometries() {
    QTableView::updateGeometries();
    startAtWholeRow();
}

MessageListView::Shown MessageListView::shownState(int row) const {
    Shown shown;
    const auto* rows = static_cast<const MessageListModel*>(model());
    shown.serial = rows->serialOf(row);
    if (shown.serial == 0) return shown;
    const QItemSelectionModel* selection = selectionModel();
    const int columns = std::min(8, rows->columnCount());
    for (int column = 0; column < columns; ++column) {
        if (selection != nullptr && selection->isSelected(rows->index(row, column)))
            shown.selected = static_cast<std::uint8_t>(shown.selected | (1U << column));
    }
    const QModelIndex current = currentIndex();
    if (current.row() == row && (hasFocus() || viewport()->hasFocus()))
        shown.focus = static_cast<std::int8_t>(current.column() + 1);
    shown.hover = row == m_hoverRow;
    shown.active = isActiveWindow();
    shown.odd = alternatingRowColors() && (row & 1) != 0;
    return shown;
}

bool MessageListView::rowPlaces(int& places, int& height, int& top) const {
    top = rowAt(0);
    if (top < 0) {
        // No rows: nothing painted can move.
        places = 0;
        height = verticalHeader()->defaultSectionSize();
        return true;
    }
    height = rowHeight(top);
    if (height <= 0 || rowViewportPosition(top) != 0) return false;
    places = (viewport()->height() + height - 1) / height;
    return true;
}

void MessageListView::paintEvent(QPaintEvent* event) {
    QTableView::paintEvent(event);
    if (qobject_cast<const MessageListModel*>(model()) == nullptr) return;
    int places = 0;
    int height = 0;
    int top = 0;
    if (!rowPlaces(places, height, top)) {
        forgetShown();
        return;
    }
    if (height != m_shownHeight || static_cast<int>(m_shown.size()) != places) {
        m_shown.assign(static_cast<std::size_t>(places), Shown{});
        m_shownHeight = height;
    }
    const QRegion& painted = event->region();
    const QRect area = viewport()->rect();
    for (int place = 0; place < places; ++place) {
        const QRect rect = QRect(0, place * height, area.width(), height) & area;
        if (!painted.intersects(rect)) continue;
        Shown& shown = m_shown[static_cast<std::size_t>(place)];
        if (!QRegion(rect).subtracted(painted).isEmpty()) {
            shown = Shown{};  // partly painted: not known
            continue;
        }
        ++m_placesPainted;
        shown = shownState(top + place);
        if (shown.serial != 0 && !m_stale.empty())
            m_stale.erase(std::remove(m_stale.begin(), m_stale.end(), shown.serial), m_stale.end());
    }
    if (m_allStale && QRegion(area).subtracted(painted).isEmpty()) m_allStale = false;
}

void MessageListView::showChanges() {
    if (auto* rows = qobject_cast<MessageListModel*>(model()))
        rows->takeRowsChangedInPlace(m_stale, m_allStale);
    if (m_stale.size() > 256) {
        m_allStale = true;
        m_stale.clear();
    }
    int places = 0;
    int height = 0;
    int top = 0;
    const bool known = rowPlaces(places, height, top);
    if (!known || m_allStale || height != m_shownHeight || static_cast<int>(m_shown.size()) != places) {
        m_stale.clear();
        viewport()->update();
        return;
    }
    const auto serialAt = [&](int place) {
        return static_cast<const MessageListModel*>(model())->serialOf(top + place);
    };
    // How many places the painted rows moved up: found from the first rows
    // that are painted somewhere below their place now.
    int shift = 0;
    for (int place = 0; place < std::min(places, 4) && shift == 0; ++place) {
        const std::uint64_t serial = serialAt(place);
        if (serial == 0) continue;
        for (int from = place + 1; from < places; ++from) {
            if (m_shown[static_cast<std::size_t>(from)].serial == serial) {
                shift = from - place;
                break;
            }
        }
    }
    const QRect area(0, 0, viewport()->width(), std::min(viewport()->height(), places * height));
    if (shift > 0) {
        viewport()->scroll(0, -shift * height, area);
        m_shown.erase(m_shown.begin(), m_shown.begin() + shift);
        m_shown.resize(static_cast<std::size_t>(places), Shown{});
    }
    // Rows changed where they stand are painted anew; of them, only those on
    // the screen are remembered until then (the others show up new, at the bottom).
    std::size_t staleShown = 0;
    for (int place = 0; place < places; ++place) {
        const Shown now = shownState(top + place);
        const auto stale =
            std::find(m_stale.begin() + static_cast<std::ptrdiff_t>(staleShown), m_stale.end(), now.serial);
        const bool changed = now.serial != 0 && stale != m_stale.end();
        if (changed) std::iter_swap(m_stale.begin() + static_cast<std::ptrdiff_t>(staleShown++), stale);
        if (changed || !(m_shown[static_cast<std::size_t>(place)] == now))
            viewport()->update(QRect(0, place * height, area.width(), height));
    }
    m_stale.resize(staleShown);
}

namespace {

// Only what the list finds as an address is ever opened: http or https.
void openLink(const QString& address) {
    const QUrl url(address, QUrl::StrictMode);
    if (url.isValid() && (url.scheme() == QStringLiteral("http") || url.scheme() == QStringLiteral("https")))
        QDesktopServices::openUrl(url);
}

}  // namespace

void MessageListView::stretchColumn(int column, bool stretch) {
    QHeaderView* header = horizontalHeader();
    if (column < 0 || column >= header->count()) return;
    header->setSectionResizeMode(column, stretch ? QHeaderView::Stretch : QHeaderView::Interactive);
}

QString MessageListView::linkAt(const QPoint& pos) const {
    const auto* cells = qobject_cast<const MessageCellDelegate*>(itemDelegate());
    return cells != nullptr ? cells->linkAt(indexAt(pos), pos) : QString();
}

void MessageListView::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() == Qt::NoButton) {
        if (linkAt(event->position().toPoint()).isEmpty()) {
            viewport()->unsetCursor();
        } else {
            viewport()->setCursor(Qt::PointingHandCursor);
        }
    }
    QTableView::mouseMoveEvent(event);
}

void MessageListView::mouseReleaseEvent(QMouseEvent* event) {
    const QString link = std::exchange(m_pressedLink, QString());
    QTableView::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && !link.isEmpty() && linkAt(event->position().toPoint()) == link)
        openLink(link);
}

bool MessageListView::viewportEvent(QEvent* event) {
    // The row under the pointer is drawn hovered: as the table follows it.
    switch (event->type()) {
        case QEvent::HoverEnter:
        case QEvent::HoverMove:
            m_hoverRow = indexAt(static_cast<QHoverEvent*>(event)->position().toPoint()).row();
            break;
        case QEvent::HoverLeave:
            m_hoverRow = -1;
            break;
        default:
            break;
    }
    if (event->type() == QEvent::ContextMenu) {
        const auto* menuEvent = static_cast<QContextMenuEvent*>(event);
        const QString link = linkAt(menuEvent->pos());
        if (!link.isEmpty()) {
            QMenu menu(this);
            for (const tavik::LinkMenuEntry& entry : tavik::LinkMenu) {
                QAction* action = menu.addAction(toQt(entry.label));
                const int command = entry.command;
                QObject::connect(action, &QAction::triggered, this, [command, link] {
                    if (command == tavik::LinkOpenCommand) {
                        openLink(link);
                    } else {
                        QGuiApplication::clipboard()->setText(link);
                    }
                });
            }
            menu.exec(menuEvent->globalPos());
            return true;
        }
    }
    return QTableView::viewportEvent(event);
}

void MessageListView::mousePressEvent(QMouseEvent* event) {
    m_pressedLink = event->button() == Qt::LeftButton ? linkAt(event->position().toPoint()) : QString();
    m_lastPressTime = event->timestamp();
    m_pressed = true;
    emit rowPressed(indexAt(event->position().toPoint()).row());
    QTableView::mousePressEvent(event);
}

void MessageListView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (!m_pressed || event->timestamp() != m_lastPressTime)
        emit rowPressed(indexAt(event->position().toPoint()).row());
    m_pressed = false;
    if (event->button() == Qt::LeftButton && !linkAt(event->position().toPoint()).isEmpty()) {
        // The second click on a link: a press like the first, the link opened once.
        m_pressedLink.clear();
        QTableView::mousePressEvent(event);
        return;
    }
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
