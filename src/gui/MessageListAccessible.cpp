#include "MessageListAccessible.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QItemSelectionModel>
#include <QPersistentModelIndex>
#include <QWidget>
#include <algorithm>

#include "Codec.h"
#include "MessageListModel.h"
#include "chat/RowSentence.h"

namespace tavik::gui {

namespace {

// One row of the message list: a list item that reads as one sentence. It
// holds the row as a persistent index, so it stays with its row while rows
// come above it or go.
class RowAccessible : public QAccessibleInterface {
public:
    RowAccessible(QAbstractItemView* view, const QModelIndex& index) : m_view(view), m_index(index) {}

    bool isValid() const override { return !m_view.isNull() && m_index.isValid(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return m_view.isNull() ? nullptr : m_view->window()->windowHandle(); }
    MessageListAccessible* list() const {
        if (m_view.isNull()) return nullptr;
        return static_cast<MessageListAccessible*>(QAccessible::queryAccessibleInterface(m_view.data()));
    }
    QAccessibleInterface* parent() const override { return list(); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* focusChild() const override { return nullptr; }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QString text(QAccessible::Text t) const override {
        if (t != QAccessible::Name || !isValid()) return {};
        const MessageListAccessible* l = list();
        return l == nullptr ? QString() : l->sentence(m_index.row());
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        if (!isValid()) return {};
        // The whole row: from the first cell to the last.
        const QAbstractItemModel* model = m_view->model();
        QRect r;
        for (int column = 0; column < model->columnCount(); ++column)
            r |= m_view->visualRect(model->index(m_index.row(), column));
        r &= m_view->viewport()->rect();
        return QRect(m_view->viewport()->mapToGlobal(r.topLeft()), r.size());
    }
    QAccessible::State state() const override {
        QAccessible::State s;
        if (!isValid()) {
            s.invalid = true;
            return s;
        }
        s.selectable = true;
        s.focusable = true;
        const QItemSelectionModel* selection = m_view->selectionModel();
        if (selection != nullptr && selection->isRowSelected(m_index.row(), QModelIndex())) s.selected = true;
        if (selection != nullptr && m_view->hasFocus() && selection->currentIndex().row() == m_index.row())
            s.focused = true;
        if (m_view->visualRect(m_index).intersected(m_view->viewport()->rect()).isEmpty()) {
            s.offscreen = true;
            s.invisible = true;
        }
        return s;
    }
    int row() const { return m_index.row(); }

private:
    QPointer<QAbstractItemView> m_view;
    QPersistentModelIndex m_index;
};

RowAccessible* rowOf(QAccessible::Id id) {
    return static_cast<RowAccessible*>(QAccessible::accessibleInterface(id));
}

}  // namespace

// Follows the model and the current row for the list's interface, which is no
// QObject. The interface may be made before the view has its model (a name
// set on the view asks for it): the watcher follows whatever model the view
// has when the interface is next asked.
class MessageListWatcher : public QObject {
public:
    MessageListWatcher(MessageListAccessible& list, QAbstractItemView& view)
        : QObject(&view), m_list(list), m_view(view) {}

    bool watching() const { return m_model == m_view.model() && m_selection == m_view.selectionModel(); }

    void watch() {
        if (m_model != nullptr) m_model->disconnect(this);
        if (m_selection != nullptr) m_selection->disconnect(this);
        m_model = m_view.model();
        m_selection = m_view.selectionModel();
        if (QAbstractItemModel* model = m_model.data()) {
            connect(model, &QAbstractItemModel::rowsAboutToBeRemoved, this,
                    [this](const QModelIndex&, int first, int last) { m_list.dropItems(first, last); });
            connect(model, &QAbstractItemModel::rowsRemoved, this, [this] { m_list.rowsChanged(); });
            connect(model, &QAbstractItemModel::rowsInserted, this,
                    [this](const QModelIndex&, int first, int last) {
                        m_list.rowsChanged();
                        m_list.tellNewRows(first, last);
                    });
            connect(model, &QAbstractItemModel::dataChanged, this,
                    [this](const QModelIndex& from, const QModelIndex& to, const QList<int>& roles) {
                        if (!roles.isEmpty() && !roles.contains(Qt::DisplayRole) &&
                            !roles.contains(MessageListModel::KindRole))
                            return;
                        m_list.rowsChanged();
                        m_list.dropItemsOfFiller();
                        m_list.tellChangedRows(from.row(), to.row());
                    });
            connect(model, &QAbstractItemModel::modelAboutToBeReset, this,
                    [this] { m_list.dropItems(0, -1); });
            connect(model, &QAbstractItemModel::modelReset, this, [this] { m_list.rowsChanged(); });
            connect(model, &QAbstractItemModel::layoutChanged, this, [this] {
                m_list.dropItems(0, -1);
                m_list.rowsChanged();
            });
        }
        if (QItemSelectionModel* selection = m_selection.data()) {
            connect(selection, &QItemSelectionModel::currentChanged, this,
                    [this](const QModelIndex& current) { m_list.tellCurrent(current); });
        }
    }

private:
    MessageListAccessible& m_list;
    QAbstractItemView& m_view;
    QPointer<QAbstractItemModel> m_model;
    QPointer<QItemSelectionModel> m_selection;
};

void MessageListAccessible::ensureWatched() const {
    if (m_watcher.isNull() || m_watcher->watching()) return;
    m_watcher->watch();
    auto* self = const_cast<MessageListAccessible*>(this);
    self->dropItems(0, -1);
}

MessageListAccessible::MessageListAccessible(QAbstractItemView* view)
    : QAccessibleWidget(view, QAccessible::List) {
    m_watcher = new MessageListWatcher(*this, *view);
    m_watcher->watch();
}

MessageListAccessible::~MessageListAccessible() {
    delete m_watcher.data();
    for (const QAccessible::Id id : m_items)
        QAccessible::deleteAccessibleInterface(id);
}

QAbstractItemView* MessageListAccessible::view() const {
    return static_cast<QAbstractItemView*>(widget());
}

MessageListAccessible::Columns MessageListAccessible::columns() const {
    Columns c;
    const QAbstractItemModel* model = view()->model();
    if (model == nullptr) return c;
    for (int column = 0; column < model->columnCount(); ++column) {
        const QString title = model->headerData(column, Qt::Horizontal).toString();
        if (title == QStringLiteral("Name")) c.name = column;
        if (title == QStringLiteral("Text")) c.text = column;
        if (title == QStringLiteral("Zeit")) c.time = column;
        if (title == QStringLiteral("Chat")) c.chat = column;
    }
    return c;
}

namespace {

// The row's cells as the engine's bytes, for the engine's sentence.
struct RowBytes {
    LineKind kind = LineKind::Filler;
    std::string name, time, text;
    RowCells cells() const { return RowCells{kind, name, time, text}; }
};

RowBytes rowBytes(const QAbstractItemModel& model, int row, int nameColumn, int timeColumn, int textColumn) {
    RowBytes r;
    r.kind = static_cast<LineKind>(model.index(row, 0).data(MessageListModel::KindRole).toInt());
    r.name = fromQt(model.index(row, nameColumn).data().toString());
    r.time = fromQt(model.index(row, timeColumn).data().toString());
    r.text = fromQt(model.index(row, textColumn).data().toString());
    return r;
}

}  // namespace

QString MessageListAccessible::sentence(int row) const {
    const QAbstractItemModel* model = view()->model();
    if (model == nullptr || row < 0 || row >= model->rowCount()) return {};
    const Columns c = columns();
    return toQt(rowSentence(rowBytes(*model, row, c.name, c.time, c.text).cells()));
}

bool MessageListAccessible::isFiller(int row) const {
    const QAbstractItemModel* model = view()->model();
    if (model == nullptr || row < 0 || row >= model->rowCount()) return true;
    const Columns c = columns();
    return isFillerRow(rowBytes(*model, row, c.name, c.time, c.text).cells());
}

const std::vector<int>& MessageListAccessible::shownRows() const {
    if (!m_shownDirty) return m_shown;
    m_shownDirty = false;
    m_shown.clear();
    const QAbstractItemModel* model = view()->model();
    if (model == nullptr) return m_shown;
    for (int row = 0; row < model->rowCount(); ++row) {
        if (!isFiller(row)) m_shown.push_back(row);
    }
    return m_shown;
}

int MessageListAccessible::childCount() const {
    ensureWatched();
    return static_cast<int>(shownRows().size());
}

QAccessibleInterface* MessageListAccessible::rowItem(int row) const {
    ensureWatched();
    if (isFiller(row)) return nullptr;
    for (const QAccessible::Id id : m_items) {
        RowAccessible* item = rowOf(id);
        if (item != nullptr && item->row() == row) return item;
    }
    auto* item = new RowAccessible(view(), view()->model()->index(row, 0));
    m_items.push_back(QAccessible::registerAccessibleInterface(item));
    return item;
}

QAccessibleInterface* MessageListAccessible::child(int index) const {
    ensureWatched();
    const std::vector<int>& shown = shownRows();
    if (index >= 0 && index < static_cast<int>(shown.size()))
        return rowItem(shown[static_cast<std::size_t>(index)]);
    // The table underneath names its cells in its own events by a table
    // index of its own; those events are dropped (see Accessibility.cpp), but
    // the index is looked up before they are. The list answers for itself
    // then rather than leave the lookup empty.
    return index >= 0 ? const_cast<MessageListAccessible*>(this) : nullptr;
}

int MessageListAccessible::indexOfChild(const QAccessibleInterface* child) const {
    ensureWatched();
    if (child == nullptr || child->role() != QAccessible::ListItem) return -1;
    for (const QAccessible::Id id : m_items) {
        RowAccessible* item = rowOf(id);
        if (item != child) continue;
        const std::vector<int>& shown = shownRows();
        const auto it = std::lower_bound(shown.begin(), shown.end(), item->row());
        if (it != shown.end() && *it == item->row()) return static_cast<int>(it - shown.begin());
    }
    return -1;
}

QAccessibleInterface* MessageListAccessible::childAt(int x, int y) const {
    ensureWatched();
    const QModelIndex index = view()->indexAt(view()->viewport()->mapFromGlobal(QPoint(x, y)));
    return index.isValid() ? rowItem(index.row()) : nullptr;
}

QAccessibleInterface* MessageListAccessible::focusChild() const {
    ensureWatched();
    if (!view()->hasFocus() || view()->selectionModel() == nullptr) return nullptr;
    const QModelIndex current = view()->selectionModel()->currentIndex();
    return current.isValid() ? rowItem(current.row()) : nullptr;
}

void MessageListAccessible::dropItems(int first, int last) {
    std::vector<QAccessible::Id> kept;
    for (const QAccessible::Id id : m_items) {
        RowAccessible* item = rowOf(id);
        const bool gone =
            item == nullptr || !item->isValid() || last < 0 || (item->row() >= first && item->row() <= last);
        if (!gone) {
            kept.push_back(id);
            continue;
        }
        if (item != nullptr && item->isValid() && QAccessible::isActive()) {
            QAccessibleEvent event(item, QAccessible::ObjectDestroyed);
            QAccessible::updateAccessibility(&event);
        }
        QAccessible::deleteAccessibleInterface(id);
    }
    m_items = std::move(kept);
    m_shownDirty = true;
}

void MessageListAccessible::dropItemsOfFiller() {
    for (const QAccessible::Id id : std::vector<QAccessible::Id>(m_items)) {
        RowAccessible* item = rowOf(id);
        if (item != nullptr && item->isValid() && isFiller(item->row())) dropItems(item->row(), item->row());
    }
}

void MessageListAccessible::tellNewRows(int first, int last) {
    if (!QAccessible::isActive()) return;
    for (int row = first; row <= last; ++row) {
        if (QAccessibleInterface* item = rowItem(row)) {
            QAccessibleEvent event(item, QAccessible::ObjectCreated);
            QAccessible::updateAccessibility(&event);
        }
    }
}

void MessageListAccessible::tellChangedRows(int first, int last) {
    if (!QAccessible::isActive()) return;
    for (const QAccessible::Id id : std::vector<QAccessible::Id>(m_items)) {
        RowAccessible* item = rowOf(id);
        if (item == nullptr || item->row() < first || item->row() > last) continue;
        QAccessibleEvent event(item, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&event);
    }
}

void MessageListAccessible::tellCurrent(const QModelIndex& current) {
    if (!QAccessible::isActive() || !current.isValid() || !view()->hasFocus()) return;
    if (QAccessibleInterface* item = rowItem(current.row())) {
        QAccessibleEvent event(item, QAccessible::Focus);
        QAccessible::updateAccessibility(&event);
    }
}

}  // namespace tavik::gui
