#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "net/TreeItemId.h"

namespace tavik {

struct TreeItem {
    std::string text;
    int image = 0;
    int selectedImage = 0;
    TreeItemId parent = NoItem;
    std::vector<TreeItemId> children;  // sorted by text, ignoring case
    bool expanded = false;
    bool hasChildrenIndicator = false;
    std::size_t descendants = 0;  // items below this one, at any depth
};

class ChatterTreeObserver {
public:
    virtual ~ChatterTreeObserver() = default;
    // `row` is the position under `parent` (NoItem: top level).
    virtual void itemAboutToBeInserted(TreeItemId /*parent*/, int /*row*/) {}
    virtual void itemInserted(TreeItemId /*item*/) {}
    virtual void itemAboutToBeRemoved(TreeItemId /*parent*/, int /*row*/) {}
    virtual void itemRemoved(TreeItemId /*parent*/, int /*row*/) {}
    virtual void itemChanged(TreeItemId /*item*/) {}
    virtual void itemExpandedChanged(TreeItemId /*item*/, bool /*expanded*/) {}
};

// The items of the chatter tree: text, normal and selected image, sorted
// children, expanded state. Items sit in reused slots; a handle carries the
// slot's generation, so a stale handle finds nothing.
class ChatterTreeModel {
public:
    TreeItemId insertSorted(TreeItemId parent, std::string_view text, int image, int selectedImage,
                            bool hasChildrenIndicator = false);
    // Removes the item and everything under it.
    void remove(TreeItemId id);
    void clear();

    void setText(TreeItemId id, std::string_view text);
    void setImages(TreeItemId id, int image, int selectedImage);
    void setExpanded(TreeItemId id, bool expanded);

    bool contains(TreeItemId id) const { return slotOf(id) != nullptr; }
    // Null for a handle of no item.
    const TreeItem* item(TreeItemId id) const;
    const std::vector<TreeItemId>& topLevel() const { return m_topLevel; }
    const std::vector<TreeItemId>& children(TreeItemId parent) const;
    // Position under its parent, or -1.
    int rowOf(TreeItemId id) const;
    // Number of items in the tree.
    std::size_t size() const { return m_live; }
    // Number of items below `id` at any depth (0 for a handle of no item).
    std::size_t descendantCount(TreeItemId id) const;

    void addObserver(ChatterTreeObserver* observer) { m_observers.push_back(observer); }
    void removeObserver(ChatterTreeObserver* observer);

private:
    // The first eight bytes of a text folded to lower case, big-endian, padded
    // with zeros: two keys that differ order their texts as compareIgnoreCase
    // does, so a sorted insert compares whole texts only where keys are equal.
    using SortKey = std::uint64_t;

    struct Slot {
        TreeItem item;
        std::vector<SortKey> childKeys;  // the keys of item.children, row for row
        std::uint32_t generation = 1;
        bool used = false;
        // No rename has put item.children out of order since they were last empty.
        bool childrenInOrder = true;
    };
    // The rows of one parent: its items, their keys and whether they are in order.
    struct Rows {
        std::vector<TreeItemId>& ids;
        std::vector<SortKey>& keys;
        bool& inOrder;
    };
    const Slot* slotOf(TreeItemId id) const;
    Slot* slotOf(TreeItemId id);
    // The rows under `parent` (NoItem: top level), which must be an item.
    Rows rowsOf(TreeItemId parent);
    Rows rowsOf(Slot* parent);  // null: top level
    // The row upper_bound with compareIgnoreCase gives `text` among `rows`.
    std::size_t sortedRow(const Rows& rows, std::string_view text, SortKey key) const;
    void freeSubtree(TreeItemId id);
    // Adds `delta` to the descendant count of `s` and of every item above it.
    void countBelow(Slot* s, std::ptrdiff_t delta);
    template <typename F>
    void notify(F&& f) {
        for (ChatterTreeObserver* o : m_observers)
            f(*o);
    }

    std::vector<Slot> m_slots;
    std::vector<std::uint32_t> m_free;
    std::vector<TreeItemId> m_topLevel;
    std::vector<SortKey> m_topLevelKeys;
    bool m_topLevelInOrder = true;
    std::size_t m_live = 0;
    std::vector<ChatterTreeObserver*> m_observers;
};

}  // namespace tavik
