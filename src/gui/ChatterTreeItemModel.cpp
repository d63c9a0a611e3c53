#include "ChatterTreeItemModel.h"

#include <cstddef>

#include "Codec.h"
#include "Icons.h"

namespace tavik::gui {

// The handle travels in the index's internal id; it must fit whole.
static_assert(sizeof(quintptr) >= sizeof(tavik::TreeItemId), "TreeItemId must fit into a quintptr");

ChatterTreeItemModel::ChatterTreeItemModel(tavik::ChatterTreeModel& tree, QObject* parent)
    : QAbstractItemModel(parent), m_tree(tree) {
    m_tree.addObserver(this);
}

ChatterTreeItemModel::~ChatterTreeItemModel() {
    m_tree.removeObserver(this);
}

QModelIndex ChatterTreeItemModel::indexOf(tavik::TreeItemId id) const {
    const int row = rowOf(id);
    return row < 0 ? QModelIndex() : createIndex(row, 0, static_cast<quintptr>(id));
}

int ChatterTreeItemModel::rowOf(tavik::TreeItemId id) const {
    const tavik::TreeItem* item = m_tree.item(id);
    if (item == nullptr) return -1;
    if (!m_rowsKnown) {
        m_rows.clear();
        m_parentsWalked.clear();
        m_lookupsSinceMove = 0;
        m_rowsKnown = true;
    }
    // The first few rows asked for after a change are found by the walk
    // itself, which costs less than filling the table for one answer.
    if (++m_lookupsSinceMove <= 8 && !m_parentsWalked.contains(item->parent)) return m_tree.rowOf(id);
    if (m_parentsWalked.insert(item->parent).second) {
        const auto& siblings = m_tree.children(item->parent);
        for (std::size_t row = 0; row < siblings.size(); ++row)
            m_rows[siblings[row]] = static_cast<int>(row);
    }
    const auto row = m_rows.find(id);
    return row == m_rows.end() ? -1 : row->second;
}

tavik::TreeItemId ChatterTreeItemModel::idOf(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != this) return tavik::NoItem;
    const auto id = static_cast<tavik::TreeItemId>(index.internalId());
    return m_tree.contains(id) ? id : tavik::NoItem;
}

const tavik::TreeItem* ChatterTreeItemModel::itemOf(const QModelIndex& index) const {
    if (!index.isValid()) return nullptr;
    return m_tree.item(static_cast<tavik::TreeItemId>(index.internalId()));
}

QModelIndex ChatterTreeItemModel::index(int row, int column, const QModelIndex& parent) const {
    if (column != 0 || row < 0 || (parent.isValid() && parent.column() != 0)) return {};
    const tavik::TreeItemId parentId =
        parent.isValid() ? static_cast<tavik::TreeItemId>(parent.internalId()) : tavik::NoItem;
    const auto& children = m_tree.children(parentId);
    if (static_cast<std::size_t>(row) >= children.size()) return {};
    return createIndex(row, 0, static_cast<quintptr>(children[static_cast<std::size_t>(row)]));
}

QModelIndex ChatterTreeItemModel::parent(const QModelIndex& child) const {
    const tavik::TreeItem* item = itemOf(child);
    return item == nullptr ? QModelIndex() : indexOf(item->parent);
}

int ChatterTreeItemModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid()) return static_cast<int>(m_tree.topLevel().size());
    if (parent.column() != 0) return 0;
    const tavik::TreeItem* item = itemOf(parent);
    return item == nullptr ? 0 : static_cast<int>(item->children.size());
}

int ChatterTreeItemModel::columnCount(const QModelIndex& /*parent*/) const {
    return 1;
}

bool ChatterTreeItemModel::hasChildren(const QModelIndex& parent) const {
    if (!parent.isValid()) return !m_tree.topLevel().empty();
    if (parent.column() != 0) return false;
    // An item may show its expand button before anything is listed under it.
    const tavik::TreeItem* item = itemOf(parent);
    return item != nullptr && (!item->children.empty() || item->hasChildrenIndicator);
}

QVariant ChatterTreeItemModel::data(const QModelIndex& index, int role) const {
    const tavik::TreeItem* item = itemOf(index);
    if (item == nullptr) return {};
    switch (role) {
        case Qt::DisplayRole:
            return toQt(item->text);
        case Qt::DecorationRole:
            return treeItemIcon(item->image, item->selectedImage);
        case SelectedImageRole:
            return treeImage(item->selectedImage);
        default:
            return {};
    }
}

// The engine announces each insertion and removal before and after it, and
// the item's position is already known then, so the calls map one to one.

bool ChatterTreeItemModel::tellAlone() {
    if (m_relayout) return false;
    if (!m_inBatch || ++m_batchChanges <= ChangesToldAlone) return true;
    emit layoutAboutToBeChanged();
    // After the signal: the views keep what they need as persistent indexes
    // while they hear it (the selection model does).
    m_persistentBefore = persistentIndexList();
    m_relayout = true;
    return false;
}

void ChatterTreeItemModel::itemAboutToBeInserted(tavik::TreeItemId parent, int row) {
    if (!tellAlone()) return;
    m_rowsOpen = true;
    beginInsertRows(indexOf(parent), row, row);
}

void ChatterTreeItemModel::itemInserted(tavik::TreeItemId /*item*/) {
    rowsMoved();
    if (!std::exchange(m_rowsOpen, false)) return;
    endInsertRows();
}

void ChatterTreeItemModel::itemAboutToBeRemoved(tavik::TreeItemId parent, int row) {
    if (!tellAlone()) return;
    m_rowsOpen = true;
    // Removing an item takes its subtree along; Qt drops their indexes with it.
    beginRemoveRows(indexOf(parent), row, row);
}

void ChatterTreeItemModel::itemRemoved(tavik::TreeItemId /*parent*/, int /*row*/) {
    rowsMoved();
    if (!std::exchange(m_rowsOpen, false)) return;
    endRemoveRows();
}

void ChatterTreeItemModel::itemChanged(tavik::TreeItemId item) {
    // The change of the layout repaints everything anyway.
    if (!tellAlone()) return;
    const QModelIndex index = indexOf(item);
    if (index.isValid()) emit dataChanged(index, index);
}

void ChatterTreeItemModel::itemExpandedChanged(tavik::TreeItemId item, bool expanded) {
    if (m_relayout) {
        m_expandedLater.emplace_back(item, expanded);
        return;
    }
    const QModelIndex index = indexOf(item);
    if (index.isValid()) emit expandedChanged(index, expanded);
}

void ChatterTreeItemModel::batchStarted() {
    m_inBatch = true;
    m_batchChanges = 0;
}

void ChatterTreeItemModel::batchFinished() {
    m_inBatch = false;
    m_batchChanges = 0;
    if (!m_relayout) return;
    const auto indexNow = [&](tavik::TreeItemId id) -> QModelIndex {
        const int row = rowOf(id);
        return row < 0 ? QModelIndex() : createIndex(row, 0, static_cast<quintptr>(id));
    };
    QModelIndexList after;
    after.reserve(m_persistentBefore.size());
    for (const QModelIndex& before : std::as_const(m_persistentBefore))
        after.append(indexNow(static_cast<tavik::TreeItemId>(before.internalId())));
    changePersistentIndexList(m_persistentBefore, after);
    m_persistentBefore.clear();
    m_relayout = false;
    emit layoutChanged();
    // The views know the new rows now: the items opened meanwhile open there.
    const auto expanded = std::exchange(m_expandedLater, {});
    for (const auto& [id, open] : expanded) {
        const QModelIndex index = indexNow(id);
        if (index.isValid()) emit expandedChanged(index, open);
    }
}

}  // namespace tavik::gui
