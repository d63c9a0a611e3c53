#pragma once

#include <QAbstractItemModel>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "chat/ChatterTreeModel.h"

namespace tavik::gui {

// The chatter tree for a QTreeView: sessions, their channels and the chatters
// in them, one column. An index carries the engine's item handle as its
// internal id, so an index and a handle turn into each other without a lookup
// table that would have to be kept in step.
//
// The engine's changes reach the views one by one, except in a batch of many
// (a read of a long chatter list): past the first few, the rest of the batch
// reaches them as one change of the layout at its end. Each insertion told
// alone costs the views time in proportion to what they hold (Qt updates
// every persistent index, and the tree keeps one per open channel), so ten
// thousand channels would cost a hundred million steps. The selection, the
// current item and the open channels are persistent indexes and stay on
// their items across the change.
class ChatterTreeItemModel : public QAbstractItemModel, private tavik::ChatterTreeObserver {
    Q_OBJECT

public:
    // The picture of an item while it is selected, an icon like DecorationRole.
    static constexpr int SelectedImageRole = Qt::UserRole + 1;

    explicit ChatterTreeItemModel(tavik::ChatterTreeModel& tree, QObject* parent = nullptr);
    ~ChatterTreeItemModel() override;
    ChatterTreeItemModel(const ChatterTreeItemModel&) = delete;
    ChatterTreeItemModel& operator=(const ChatterTreeItemModel&) = delete;

    // An invalid index for NoItem and for a handle of an item that is gone.
    QModelIndex indexOf(tavik::TreeItemId id) const;
    // NoItem for an invalid index and for an index of an item that is gone.
    tavik::TreeItemId idOf(const QModelIndex& index) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    bool hasChildren(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

signals:
    // The engine expanded or collapsed the item; the view is to follow.
    void expandedChanged(const QModelIndex& index, bool expanded);

private:
    void itemAboutToBeInserted(tavik::TreeItemId parent, int row) override;
    void itemInserted(tavik::TreeItemId item) override;
    void itemAboutToBeRemoved(tavik::TreeItemId parent, int row) override;
    void itemRemoved(tavik::TreeItemId parent, int row) override;
    void itemChanged(tavik::TreeItemId item) override;
    void itemExpandedChanged(tavik::TreeItemId item, bool expanded) override;
    void batchStarted() override;
    void batchFinished() override;

    // Whether the change about to be made is told alone; false once the
    // batch has gone over to a change of the layout.
    bool tellAlone();

    // The item an index stands for; null for the root and for items that are gone.
    const tavik::TreeItem* itemOf(const QModelIndex& index) const;
    // The row of `id` under its parent, or -1. A view asks for the parent of
    // every index it lays out, and the engine finds a row by walking the
    // siblings: with ten thousand channels that is ten thousand steps for
    // each chatter. The rows of a parent are walked once instead and kept
    // until the next insertion or removal.
    int rowOf(tavik::TreeItemId id) const;
    void rowsMoved() { m_rowsKnown = false; }

    tavik::ChatterTreeModel& m_tree;
    // Changes of a batch told alone before the rest goes as one.
    static constexpr int ChangesToldAlone = 64;
    bool m_inBatch = false;
    int m_batchChanges = 0;
    bool m_relayout = false;  // the views were told the layout is changing
    bool m_rowsOpen = false;  // an insertion or removal told alone is under way
    QModelIndexList m_persistentBefore;
    // Items the engine opened or closed during the change of the layout.
    std::vector<std::pair<tavik::TreeItemId, bool>> m_expandedLater;
    mutable std::unordered_map<tavik::TreeItemId, int> m_rows;
    mutable std::unordered_set<tavik::TreeItemId> m_parentsWalked;
    mutable bool m_rowsKnown = false;
    mutable int m_lookupsSinceMove = 0;
};

}  // namespace tavik::gui
