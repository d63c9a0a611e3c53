#pragma once

#include <QAccessibleWidget>
#include <QModelIndex>
#include <QPointer>
#include <vector>

class QAbstractItemView;

namespace tavik::gui {

class MessageListWatcher;

// The message list as a screen reader sees it: a list of one item per row that
// says something, each read as one sentence ("Flüstern von Anna, 12:03:
// Hallo"), instead of a table of 2000 cells most of which are blank filler.
// The rows are read through the model: the text of each column (found by the
// header's titles) and MessageListModel::KindRole.
class MessageListAccessible : public QAccessibleWidget {
public:
    explicit MessageListAccessible(QAbstractItemView* view);
    ~MessageListAccessible() override;
    MessageListAccessible(const MessageListAccessible&) = delete;
    MessageListAccessible& operator=(const MessageListAccessible&) = delete;

    QAccessible::Role role() const override { return QAccessible::List; }
    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QAccessibleInterface* focusChild() const override;

    QAbstractItemView* view() const;
    // The sentence of model row `row`; empty for a filler row.
    QString sentence(int row) const;
    bool isFiller(int row) const;
    // The item of model row `row`, made when first asked for; null for a filler row.
    QAccessibleInterface* rowItem(int row) const;

private:
    friend class MessageListWatcher;
    struct Columns {
        int name = 0, text = 1, time = 2, chat = 3;
    };
    Columns columns() const;
    // Follows the view's model and selection, which it may have been given after this was made.
    void ensureWatched() const;
    const std::vector<int>& shownRows() const;
    void rowsChanged() { m_shownDirty = true; }
    // The items of rows about to go (or all of them): told gone, then deleted.
    void dropItems(int first, int last);
    void dropItemsOfFiller();
    void tellNewRows(int first, int last);
    void tellChangedRows(int first, int last);
    void tellCurrent(const QModelIndex& current);

    mutable std::vector<int> m_shown;  // model rows that are items, in order
    mutable bool m_shownDirty = true;
    mutable std::vector<QAccessible::Id> m_items;
    // A child of the view: gone already when the view's end is what ends this interface.
    QPointer<MessageListWatcher> m_watcher;
};

}  // namespace tavik::gui
