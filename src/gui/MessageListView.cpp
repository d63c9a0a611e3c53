#include "MessageListView.h"

#include <QAccessible>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>
#include <QUrl>
#include <algorithm>
#include <utility>

#include "Codec.h"
#include "MessageCellDelegate.h"
#include "chat/RowText.h"

namespace tavik::gui {

MessageListView::MessageListView(QWidget* parent) : QTableView(parent) {
    m_frame.setSingleShot(true);
    QObject::connect(&m_frame, &QTimer::timeout, this, [this] {
        m_sinceShown.start();
        viewport()->update();
    });
}

void MessageListView::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                                  const QList<int>& roles) {
    if (topLeft == bottomRight || !m_sinceShown.isValid() ||
        (!m_frame.isActive() && m_sinceShown.elapsed() >= FrameMs)) {
        if (topLeft != bottomRight) m_sinceShown.start();
        QTableView::dataChanged(topLeft, bottomRight, roles);
        return;
    }
    // Within the frame: shown when it ends. Whoever reads the list aloud hears of it now.
    if (!m_frame.isActive())
        m_frame.start(static_cast<int>(std::max<qint64>(1, FrameMs - m_sinceShown.elapsed())));
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
    QTableView::scrollContentsBy(dx, dy);
    if (dy != 0) startAtWholeRow();
}

void MessageListView::updateGeometries() {
    QTableView::updateGeometries();
    startAtWholeRow();
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
