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
    const int row = m_tree.rowOf(id);
    return row < 0 ? QModelIndex() : createIndex(row, 0, static_cast<quintptr>(id));
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

void ChatterTreeItemModel::itemAboutToBeInserted(tavik::TreeItemId parent, int row) {
    beginInsertRows(indexOf(parent), row, row);
}

void ChatterTreeItemModel::itemInserted(tavik::TreeItemId /*item*/) {
    endInsertRows();
}

void ChatterTreeItemModel::itemAboutToBeRemoved(tavik::TreeItemId parent, int row) {
    // Removing an item takes its subtree along; Qt drops their indexes with it.
    beginRemoveRows(indexOf(parent), row, row);
}

void ChatterTreeItemModel::itemRemoved(tavik::TreeItemId /*parent*/, int /*row*/) {
    endRemoveRows();
}

void ChatterTreeItemModel::itemChanged(tavik::TreeItemId item) {
    const QModelIndex index = indexOf(item);
    if (index.isValid()) emit dataChanged(index, index);
}

void ChatterTreeItemModel::itemExpandedChanged(tavik::TreeItemId item, bool expanded) {
    const QModelIndex index = indexOf(item);
    if (index.isValid()) emit expandedChanged(index, expanded);
}

}  // namespace tavik::gui
