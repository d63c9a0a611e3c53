#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "net/TreeItemId.h"
#include "text/Text.h"

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
    // The changes told between these two belong together (the names of one
    // read of a chatter list): an observer may take them in as one.
    virtual void batchStarted() {}
    virtual void batchFinished() {}
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
    // Tells the observers only where the images change.
    void setImages(TreeItemId id, int image, int selectedImage);
    void setExpanded(TreeItemId id, bool expanded);

    // Brackets changes that belong together (see ChatterTreeObserver); nests,
    // the observers hear of the outermost pair only.
    void beginBatch() {
        if (m_batches++ == 0) notify([](ChatterTreeObserver& o) { o.batchStarted(); });
    }
    void endBatch() {
        if (m_batches == 0 || --m_batches != 0) return;
        notify([](ChatterTreeObserver& o) { o.batchFinished(); });
    }

    // A new list of a session's chatters replaces the items of the last one.
    // Rather than removing them all and inserting them again, the old items
    // are marked stale: the new list takes back the ones it lists again
    // (`revive`, `insertOrRevive`), and what is left is removed at its end
    // (`removeStale`). Stale items are items like any other for the observers.
    //
    // Marks `id` and everything under it stale.
    void markStale(TreeItemId id);
    bool isStale(TreeItemId id) const { return slotOf(id) != nullptr && (m_marks[indexOf(id)] & Stale) != 0; }
    // Takes back one stale item (not those under it).
    void revive(TreeItemId id) {
        if (isStale(id)) revive(indexOf(id));
    }
    // Removes every stale item at or under `id`, deepest first.
    void removeStale(TreeItemId id);
    // Items below `id` at any depth that are not stale (0 for a handle of no item).
    std::size_t currentCount(TreeItemId id) const {
        const Slot* s = slotOf(id);
        return s != nullptr ? s->item.descendants - s->staleBelow : 0;
    }
    // Takes back the stale item `id` if it stands under `parent`, gives it
    // `text` and the images, and returns it; NoItem if it cannot. An item
    // taken back keeps its row, so another text it takes only where that
    // leaves the rows in order; where rows in order hold items that compare
    // equal, see orderEqualItems.
    TreeItemId reviveAs(TreeItemId id, TreeItemId parent, std::string_view text, int image,
                        int selectedImage) {
        Slot* s = slotOf(id);
        if (s == nullptr || (m_marks[indexOf(id)] & Stale) == 0 || s->item.parent != parent) return NoItem;
        if (!sameBytes(s->item.text, text) && !renameInPlace(*s, id, text)) return NoItem;
        revive(indexOf(id));
        if (s->item.image != image || s->item.selectedImage != selectedImage) {
            s->item.image = image;
            s->item.selectedImage = selectedImage;
            notify([&](ChatterTreeObserver& o) { o.itemChanged(id); });
        }
        return id;
    }
    // Puts items under `parent` that compare equal in the order they were
    // inserted or taken back, which is the order insertSorted gives them. Such
    // items without children are removed and inserted again.
    void orderEqualItems(TreeItemId parent);
    // insertSorted, except that where the item just before the new one's
    // place is a stale one of exactly `text` (in rows in order), that item is
    // taken back instead, given the images and returned. Either way the items
    // that are not stale stand in the order insertSorted alone gives them.
    TreeItemId insertOrRevive(TreeItemId parent, std::string_view text, int image, int selectedImage);

    bool contains(TreeItemId id) const { return slotOf(id) != nullptr; }
    // Whether `id` is an item that is not stale.
    bool isCurrent(TreeItemId id) const {
        return slotOf(id) != nullptr && (m_marks[indexOf(id)] & Stale) == 0;
    }
    // Null for a handle of no item.
    const TreeItem* item(TreeItemId id) const;
    const std::vector<TreeItemId>& topLevel() const { return m_topLevel; }
    const std::vector<TreeItemId>& children(TreeItemId parent) const;
    // Position under its parent, or -1.
    int rowOf(TreeItemId id) const;
    // Number of items in the tree.
    std::size_t size() const { return m_live; }
    // Whether the rows under `parent` (NoItem: top level) are sorted: true
    // unless a rename put them out of order since they were last empty.
    bool rowsInOrder(TreeItemId parent) const;
    // Number of items below `id` at any depth (0 for a handle of no item).
    std::size_t descendantCount(TreeItemId id) const;

    // What the model keeps beside its items, checked against them item by
    // item (for tests and fuzzing; it walks the whole tree): null when all
    // holds, else what does not.
    const char* brokenInvariant() const;

    void addObserver(ChatterTreeObserver* observer) { m_observers.push_back(observer); }
    void removeObserver(ChatterTreeObserver* observer);

private:
    // The first eight bytes of a text folded to lower case, big-endian, padded
    // with zeros: two keys that differ order their texts as compareIgnoreCase
    // does, so a sorted insert compares whole texts only where keys are equal.
    using SortKey = std::uint64_t;

    // A list taken back item by item reads a handle's generation, the stamp,
    // the text, the images and the parent of each: they come first and share
    // one cache line.
    struct alignas(64) Slot {
        std::uint32_t generation = 1;
        bool used = false;
        // No rename has put item.children out of order since they were last empty.
        bool childrenInOrder = true;
        // Where the item stood under its parent when last looked for: rows
        // shift by the few inserted or removed before it, so the search
        // starts there (a list names its ten thousand channels one by one).
        std::uint32_t rowHint = 0;
        std::uint64_t stamp = 0;  // when the item was inserted or last taken back
        TreeItem item;
        std::vector<SortKey> childKeys;  // the keys of item.children, row for row
        std::size_t staleBelow = 0;      // stale items below this one, at any depth
    };
    // The rows of one parent: its items, their keys and whether they are in order.
    struct Rows {
        std::vector<TreeItemId>& ids;
        std::vector<SortKey>& keys;
        bool& inOrder;
    };
    const Slot* slotOf(TreeItemId id) const {
        if (id == NoItem) return nullptr;
        const std::uint32_t index = indexOf(id);
        if (index >= m_slotCount) return nullptr;
        const Slot& s = m_slots[index];
        return s.used && s.generation == static_cast<std::uint32_t>(id >> 32) ? &s : nullptr;
    }
    Slot* slotOf(TreeItemId id) {
        return const_cast<Slot*>(static_cast<const ChatterTreeModel*>(this)->slotOf(id));
    }
    static std::uint32_t indexOf(TreeItemId id) { return static_cast<std::uint32_t>(id & 0xFFFFFFFFU) - 1; }
    void revive(std::uint32_t index) {
        m_marks[index] &= static_cast<std::uint8_t>(~Stale);
        Slot& s = m_slots[index];
        s.stamp = ++m_stamps;
        // The items above an item always exist.
        for (TreeItemId up = s.item.parent; up != NoItem;) {
            Slot& above = m_slots[indexOf(up)];
            --above.staleBelow;
            up = above.item.parent;
        }
    }
    // The row of `id` (slot `s`) among `ids`, its parent's rows, searched
    // outward from its hint; ids.size() if it is not there.
    static std::size_t findRow(const std::vector<TreeItemId>& ids, Slot& s, TreeItemId id);
    // Gives the item of slot `s` (handle `id`) `text` where its rows are in
    // order and stay so; false if they would not.
    bool renameInPlace(Slot& s, TreeItemId id, std::string_view text);
    // Removes the item at `row` of `parent`'s rows with everything under it.
    void removeAt(TreeItemId parent, int row);
    // The rows under `parent` (NoItem: top level), which must be an item.
    Rows rowsOf(TreeItemId parent);
    Rows rowsOf(Slot* parent);  // null: top level
    // The row upper_bound with compareIgnoreCase gives `text` among `rows`.
    std::size_t sortedRow(const Rows& rows, std::string_view text, SortKey key) const;
    // Puts a new item at `row` of `parent`'s rows.
    TreeItemId insertAt(TreeItemId parent, std::size_t row, std::string_view text, SortKey key, int image,
                        int selectedImage, bool hasChildrenIndicator);
    // Frees the slots of `id` and everything under it; returns how many of them were stale.
    std::size_t freeSubtree(TreeItemId id);
    // Adds `delta` to the descendant count of `s` and of every item above it.
    void countBelow(Slot* s, std::ptrdiff_t delta);
    // The same for the count of stale items below.
    void countStaleBelow(Slot* s, std::ptrdiff_t delta);
    template <typename F>
    void notify(F&& f) {
        for (ChatterTreeObserver* o : m_observers)
            f(*o);
    }

    std::vector<Slot> m_slots;
    // Per slot, beside it so that a walk over many items need not visit
    // their slots: whether the item is stale and whether it has children.
    static constexpr std::uint8_t Stale = 1;
    static constexpr std::uint8_t Parent = 2;
    std::vector<std::uint8_t> m_marks;
    // m_slots.size(), kept: the vector would divide by the size of a slot.
    std::size_t m_slotCount = 0;
    std::vector<std::uint32_t> m_free;
    std::vector<TreeItemId> m_topLevel;
    std::vector<SortKey> m_topLevelKeys;
    bool m_topLevelInOrder = true;
    std::uint64_t m_stamps = 0;
    std::size_t m_live = 0;
    int m_batches = 0;
    std::vector<ChatterTreeObserver*> m_observers;
};

}  // namespace tavik
