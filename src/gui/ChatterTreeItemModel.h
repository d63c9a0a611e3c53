#pragma once

#include <QAbstractItemModel>

#include "chat/ChatterTreeModel.h"

namespace tavik::gui {

// The chatter tree for a QTreeView: sessions, their channels and the chatters
// in them, one column. An index carries the engine's item handle as its
// internal id, so an index and a handle turn into each other without a lookup
// table that would have to be kept in step.
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

    // The item an index stands for; null for the root and for items that are gone.
    const tavik::TreeItem* itemOf(const QModelIndex& index) const;

    tavik::ChatterTreeModel& m_tree;
};

}  // namespace tavik::gui
