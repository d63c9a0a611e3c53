#include "chat/ChatterTreeModel.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "text/Text.h"

namespace tavik {

namespace {
const std::vector<TreeItemId> NoChildren;

TreeItemId makeId(std::uint32_t slot, std::uint32_t generation) {
    return (static_cast<TreeItemId>(generation) << 32) | (static_cast<TreeItemId>(slot) + 1);
}
std::uint32_t slotIndex(TreeItemId id) {
    return static_cast<std::uint32_t>(id & 0xFFFFFFFFU) - 1;
}
std::uint64_t sortKey(std::string_view text) {
    if constexpr (std::endian::native == std::endian::little) {
        if (text.size() >= 8) {
            std::uint64_t w = 0;
            std::memcpy(&w, text.data(), 8);
            constexpr std::uint64_t High = 0x8080808080808080ULL;
            if ((w & High) == 0) {
                // Eight plain ASCII bytes: A-Z gain bit 5 all at once. With the
                // high bit set first no subtraction borrows from its neighbour,
                // and a byte keeps the high bit where it is at least the subtrahend.
                const std::uint64_t atLeastA = (w | High) - 0x4141414141414141ULL;
                const std::uint64_t pastZ = (w | High) - 0x5B5B5B5B5B5B5B5BULL;
                w |= (atLeastA & ~pastZ & High) >> 2;
                return __builtin_bswap64(w);
            }
        }
    }
    std::uint64_t key = 0;
    const std::size_t n = text.size() < 8 ? text.size() : 8;
    for (std::size_t i = 0; i < n; ++i)
        key |= static_cast<std::uint64_t>(lowerByte(static_cast<unsigned char>(text[i]))) << (56 - 8 * i);
    return key;
}
// Keeps the compiler from turning the arithmetic on `value` back into branches.
inline void keepAsData(std::size_t& value) {
#if defined(__GNUC__)
    asm("" : "+r"(value));
#else
    (void)value;
#endif
}

inline void prefetch(const void* address) {
#if defined(__GNUC__)
    __builtin_prefetch(address);
#else
    (void)address;
#endif
}
}  // namespace

const TreeItem* ChatterTreeModel::item(TreeItemId id) const {
    const Slot* s = slotOf(id);
    return s != nullptr ? &s->item : nullptr;
}

std::size_t ChatterTreeModel::descendantCount(TreeItemId id) const {
    const Slot* s = slotOf(id);
    return s != nullptr ? s->item.descendants : 0;
}

void ChatterTreeModel::countBelow(Slot* s, std::ptrdiff_t delta) {
    // Kept per item so that the per-session item cap costs nothing per add.
    for (; s != nullptr; s = slotOf(s->item.parent)) {
        s->item.descendants =
            static_cast<std::size_t>(static_cast<std::ptrdiff_t>(s->item.descendants) + delta);
    }
}

const std::vector<TreeItemId>& ChatterTreeModel::children(TreeItemId parent) const {
    if (parent == NoItem) return m_topLevel;
    const Slot* s = slotOf(parent);
    return s != nullptr ? s->item.children : NoChildren;
}

bool ChatterTreeModel::rowsInOrder(TreeItemId parent) const {
    if (parent == NoItem) return m_topLevelInOrder;
    const Slot* s = slotOf(parent);
    return s != nullptr && s->childrenInOrder;
}

ChatterTreeModel::Rows ChatterTreeModel::rowsOf(Slot* parent) {
    if (parent == nullptr) return {m_topLevel, m_topLevelKeys, m_topLevelInOrder};
    return {parent->item.children, parent->childKeys, parent->childrenInOrder};
}

ChatterTreeModel::Rows ChatterTreeModel::rowsOf(TreeItemId parent) {
    return rowsOf(parent == NoItem ? nullptr : slotOf(parent));
}

std::size_t ChatterTreeModel::sortedRow(const Rows& rows, std::string_view text, SortKey key) const {
    const SortKey* keys = rows.keys.data();
    // Keys that differ order their texts; equal keys leave it to the texts.
    const auto before = [&](std::size_t row) {
        return key != keys[row] ? key < keys[row] : compareIgnoreCase(text, item(rows.ids[row])->text) < 0;
    };
    std::size_t len = rows.keys.size();
    if (len == 0) return 0;
    if (rows.inOrder) {
        // Servers often list in order: an item that does not go before the
        // last row goes at the end.
        if (!before(len - 1)) return len;
        // Rows in order have one answer, however it is found: the first row
        // whose text goes after the item. Count the rows whose keys are at
        // most the item's. The answer lies in [base, base + len]; each step
        // asks three independent rows at once and keeps a quarter of the
        // window plus the rest, a length that does not depend on the answers,
        // so the loop's branches do not either; the picks are made by masks.
        std::size_t base = 0;
        while (len >= 4) {
            const std::size_t q = len >> 2;
            std::size_t m1 = 0 - static_cast<std::size_t>(keys[base + q] <= key ? 1 : 0);
            std::size_t m2 = 0 - static_cast<std::size_t>(keys[base + 2 * q] <= key ? 1 : 0);
            std::size_t m3 = 0 - static_cast<std::size_t>(keys[base + 3 * q] <= key ? 1 : 0);
            keepAsData(m1);
            keepAsData(m2);
            keepAsData(m3);
            base += ((q & m1) + (q & m2)) + (q & m3);
            len -= 3 * q;
        }
        while (len > 1) {
            const std::size_t half = len >> 1;
            std::size_t mask = 0 - static_cast<std::size_t>(keys[base + half] <= key ? 1 : 0);
            keepAsData(mask);
            base += half & mask;
            len -= half;
        }
        const std::size_t upper = base + (keys[base] <= key ? 1 : 0);
        if (upper == 0 || keys[upper - 1] != key) [[likely]]
            return upper;
        // One row with an equal key (a name listed again, say): its text decides.
        if (upper == 1 || keys[upper - 2] != key) return before(upper - 1) ? upper - 1 : upper;
        // Rows with an equal key end before `upper`; among them the texts decide.
        const std::size_t lower = static_cast<std::size_t>(std::lower_bound(keys, keys + upper, key) - keys);
        std::size_t first = lower;
        len = upper - lower;
        while (len > 0) {
            const std::size_t half = len >> 1;
            if (before(first + half)) {
                len = half;
            } else {
                first += half + 1;
                len -= half + 1;
            }
        }
        return first;
    }
    // upper_bound's halving, step for step (a renamed item keeps its row, so
    // the rows need not be in order and the steps decide the result). The
    // keys answer almost every compare: a first pass goes by the keys alone,
    // with masks instead of branches, since which half the item goes to is a
    // coin toss for the predictor. Only where it met an equal key do the
    // texts decide, in a second pass.
    std::size_t first = 0;
    std::size_t metEqual = 0;
    const std::size_t size = len;
    while (len > 0) {
        const std::size_t half = len >> 1;
        const std::size_t middle = first + half;
        const SortKey k = keys[middle];
        metEqual |= k == key ? 1 : 0;
        // All ones when the item goes after the middle row, else zero.
        std::size_t mask = 0 - static_cast<std::size_t>(k <= key ? 1 : 0);
        keepAsData(mask);
        first += (half + 1) & mask;
        // After: len - half - 1, which is half for an odd len and half - 1 for an even one.
        len = half + (mask & ((len & 1) - 1));
    }
    if (metEqual == 0) [[likely]]
        return first;
    first = 0;
    len = size;
    while (len > 0) {
        const std::size_t half = len >> 1;
        const std::size_t middle = first + half;
        if (before(middle)) {
            len = half;
        } else {
            first = middle + 1;
            len = len - half - 1;
        }
    }
    return first;
}

std::size_t ChatterTreeModel::findRow(const std::vector<TreeItemId>& ids, Slot& s, TreeItemId id) {
    const std::size_t size = ids.size();
    const std::size_t hint = s.rowHint < size ? s.rowHint : size == 0 ? 0 : size - 1;
    for (std::size_t d = 0; d <= hint || hint + d < size; ++d) {
        if (d <= hint && ids[hint - d] == id) {
            s.rowHint = static_cast<std::uint32_t>(hint - d);
            return hint - d;
        }
        if (hint + d < size && ids[hint + d] == id) {
            s.rowHint = static_cast<std::uint32_t>(hint + d);
            return hint + d;
        }
    }
    return size;
}

int ChatterTreeModel::rowOf(TreeItemId id) const {
    // The hint is a cache, not part of what the model holds.
    auto* s = const_cast<Slot*>(slotOf(id));
    if (s == nullptr) return -1;
    const auto& list = children(s->item.parent);
    const std::size_t row = findRow(list, *s, id);
    return row == list.size() ? -1 : static_cast<int>(row);
}

TreeItemId ChatterTreeModel::insertSorted(TreeItemId parent, std::string_view text, int image,
                                          int selectedImage, bool hasChildrenIndicator) {
    if (parent != NoItem && slotOf(parent) == nullptr) return NoItem;
    // An item goes after the ones that compare equal to it.
    const SortKey key = sortKey(text);
    const std::size_t row = sortedRow(rowsOf(parent), text, key);
    return insertAt(parent, row, text, key, image, selectedImage, hasChildrenIndicator);
}

TreeItemId ChatterTreeModel::insertOrRevive(TreeItemId parent, std::string_view text, int image,
                                            int selectedImage) {
    Slot* parentSlot = slotOf(parent);
    if (parentSlot == nullptr) return NoItem;
    const Rows rows = rowsOf(parentSlot);
    const SortKey key = sortKey(text);
    const std::size_t row = sortedRow(rows, text, key);
    // In rows in order the row before the new one's place holds the last
    // item that compares at most equal to it. Taken back, that item stands
    // where the new one would: after every item that compares at most equal,
    // before every item that goes after it.
    if (parentSlot->staleBelow != 0 && rows.inOrder && row > 0) {
        const TreeItemId id = rows.ids[row - 1];
        if ((m_marks[slotIndex(id)] & Stale) != 0 && item(id)->text == text) {
            revive(slotIndex(id));
            setImages(id, image, selectedImage);
            return id;
        }
    }
    return insertAt(parent, row, text, key, image, selectedImage, false);
}

TreeItemId ChatterTreeModel::insertAt(TreeItemId parent, std::size_t row, std::string_view text, SortKey key,
                                      int image, int selectedImage, bool hasChildrenIndicator) {
    std::uint32_t index = 0;
    if (!m_free.empty()) {
        index = m_free.back();
        m_free.pop_back();
    } else {
        index = static_cast<std::uint32_t>(m_slots.size());
        m_slots.emplace_back();
        m_slotCount = m_slots.size();
        m_marks.push_back(0);
    }
    Slot& s = m_slots[index];
    s.used = true;
    s.rowHint = static_cast<std::uint32_t>(row);
    m_marks[index] = 0;
    s.stamp = ++m_stamps;
    s.staleBelow = 0;
    TreeItem& it = s.item;
    it.text.assign(text);
    it.image = image;
    it.selectedImage = selectedImage;
    it.parent = parent;
    it.children.clear();
    s.childKeys.clear();
    s.childrenInOrder = true;
    it.expanded = false;
    it.hasChildrenIndicator = hasChildrenIndicator;
    it.descendants = 0;
    const TreeItemId id = makeId(index, s.generation);
    ++m_live;

    // The slots may have moved; the parent's index has not.
    Slot* parentSlot = parent == NoItem ? nullptr : &m_slots[slotIndex(parent)];
    const Rows rows = rowsOf(parentSlot);
    if (parent != NoItem) m_marks[slotIndex(parent)] |= Parent;
    const int at = static_cast<int>(row);
    notify([&](ChatterTreeObserver& o) { o.itemAboutToBeInserted(parent, at); });
    rows.ids.insert(rows.ids.begin() + static_cast<std::ptrdiff_t>(row), id);
    rows.keys.insert(rows.keys.begin() + static_cast<std::ptrdiff_t>(row), key);
    countBelow(parentSlot, 1);
    notify([&](ChatterTreeObserver& o) { o.itemInserted(id); });
    // A chatter list inserts item after item into slots last used by the
    // previous list, long out of cache: fetch the next one ahead.
    if (!m_free.empty()) {
        const auto* next = reinterpret_cast<const char*>(&m_slots[m_free.back()]);
        prefetch(next);
        prefetch(next + 64);
    }
    return id;
}

std::size_t ChatterTreeModel::freeSubtree(TreeItemId id) {
    Slot* s = slotOf(id);
    if (s == nullptr) return 0;
    std::size_t stale = 0;
    for (const TreeItemId child : s->item.children)
        stale += freeSubtree(child);
    s = slotOf(id);  // the slot vector does not grow here, but stay on the safe side
    if ((m_marks[slotIndex(id)] & Stale) != 0) ++stale;
    m_marks[slotIndex(id)] = 0;
    s->item.children.clear();
    s->childKeys.clear();
    s->childrenInOrder = true;
    s->used = false;
    s->staleBelow = 0;
    ++s->generation;
    if (s->generation == 0) s->generation = 1;
    m_free.push_back(slotIndex(id));
    --m_live;
    return stale;
}

void ChatterTreeModel::remove(TreeItemId id) {
    const TreeItem* it = item(id);
    if (it == nullptr) return;
    removeAt(it->parent, rowOf(id));
}

void ChatterTreeModel::removeAt(TreeItemId parent, int row) {
    const Rows rows = rowsOf(parent);
    const TreeItemId id = rows.ids[static_cast<std::size_t>(row)];
    notify([&](ChatterTreeObserver& o) { o.itemAboutToBeRemoved(parent, row); });
    const auto removed = static_cast<std::ptrdiff_t>(1 + item(id)->descendants);
    rows.ids.erase(rows.ids.begin() + row);
    rows.keys.erase(rows.keys.begin() + row);
    if (rows.ids.empty()) {
        rows.inOrder = true;
        if (parent != NoItem) m_marks[slotIndex(parent)] &= static_cast<std::uint8_t>(~Parent);
    }
    const auto staleRemoved = static_cast<std::ptrdiff_t>(freeSubtree(id));
    Slot* parentSlot = parent == NoItem ? nullptr : slotOf(parent);
    countBelow(parentSlot, -removed);
    if (staleRemoved != 0) countStaleBelow(parentSlot, -staleRemoved);
    notify([&](ChatterTreeObserver& o) { o.itemRemoved(parent, row); });
}

void ChatterTreeModel::clear() {
    while (!m_topLevel.empty())
        remove(m_topLevel.front());
}

void ChatterTreeModel::setText(TreeItemId id, std::string_view text) {
    Slot* s = slotOf(id);
    if (s == nullptr) return;
    s->item.text.assign(text);
    // The item keeps its row; its key follows its text. A channel gets its
    // label while it is still first under its session, so row 0 is tried first.
    const SortKey key = sortKey(text);
    const TreeItemId parent = s->item.parent;
    const Rows rows = rowsOf(parent);
    std::size_t row = 0;
    if (rows.ids.empty() || rows.ids.front() != id) row = findRow(rows.ids, *s, id);
    if (row < rows.keys.size()) {
        rows.keys[row] = key;
        // A text that no longer fits between its neighbours puts the rows out of order.
        const std::string& now = s->item.text;
        if ((row > 0 && compareIgnoreCase(item(rows.ids[row - 1])->text, now) > 0) ||
            (row + 1 < rows.ids.size() && compareIgnoreCase(now, item(rows.ids[row + 1])->text) > 0)) {
            rows.inOrder = false;
        }
    }
    notify([&](ChatterTreeObserver& o) { o.itemChanged(id); });
}

void ChatterTreeModel::setImages(TreeItemId id, int image, int selectedImage) {
    Slot* s = slotOf(id);
    if (s == nullptr || (s->item.image == image && s->item.selectedImage == selectedImage)) return;
    s->item.image = image;
    s->item.selectedImage = selectedImage;
    notify([&](ChatterTreeObserver& o) { o.itemChanged(id); });
}

void ChatterTreeModel::setExpanded(TreeItemId id, bool expanded) {
    Slot* s = slotOf(id);
    if (s == nullptr || s->item.expanded == expanded) return;
    s->item.expanded = expanded;
    notify([&](ChatterTreeObserver& o) { o.itemExpandedChanged(id, expanded); });
}

void ChatterTreeModel::markStale(TreeItemId id) {
    const Slot* s = slotOf(id);
    if (s == nullptr) return;
    // Everything in the subtree ends up stale, so each item's count below is
    // its descendant count; the items above learn how many were newly marked.
    // Items without children are marked without a visit to their slots.
    std::size_t newly = 0;
    const auto markOne = [&](std::uint32_t index) {
        if ((m_marks[index] & Stale) == 0) {
            m_marks[index] |= Stale;
            ++newly;
        }
    };
    const auto mark = [&](const auto& self, std::uint32_t index) -> void {
        if ((m_marks[index] & Parent) != 0) {
            Slot& slot = m_slots[index];
            for (const TreeItemId child : slot.item.children) {
                const std::uint32_t at = slotIndex(child);
                if ((m_marks[at] & Parent) != 0)
                    self(self, at);
                else
                    markOne(at);
            }
            slot.staleBelow = slot.item.descendants;
        }
        markOne(index);
    };
    mark(mark, slotIndex(id));
    countStaleBelow(slotOf(s->item.parent), static_cast<std::ptrdiff_t>(newly));
}

void ChatterTreeModel::orderEqualItems(TreeItemId parent) {
    if (parent != NoItem && slotOf(parent) == nullptr) return;
    struct Taken {
        std::uint64_t stamp;
        std::string text;
        int image;
        int selectedImage;
        bool hasChildrenIndicator;
    };
    const Rows rows = rowsOf(parent);
    const auto stampAt = [&](std::size_t row) { return m_slots[slotIndex(rows.ids[row])].stamp; };
    for (std::size_t row = 0; row + 1 < rows.keys.size(); ++row) {
        // Texts that compare equal have equal keys: only a row with the next
        // row's key can start a run of them.
        const SortKey* keys = rows.keys.data();
        const std::size_t last = rows.keys.size() - 1;
        while (row < last && keys[row] != keys[row + 1])
            ++row;
        if (row == last) break;
        const std::string& text = item(rows.ids[row])->text;
        std::size_t end = row + 1;
        bool inOrder = true;
        while (end < rows.ids.size() && rows.keys[end] == rows.keys[row] &&
               compareIgnoreCase(item(rows.ids[end])->text, text) == 0) {
            inOrder = inOrder && stampAt(end - 1) < stampAt(end);
            ++end;
        }
        bool leaves = true;
        for (std::size_t r = row; r < end; ++r)
            leaves = leaves && item(rows.ids[r])->children.empty();
        if (!inOrder && leaves) {
            std::vector<Taken> run;
            for (std::size_t r = row; r < end; ++r) {
                const Slot& s = m_slots[slotIndex(rows.ids[r])];
                run.push_back(
                    {s.stamp, s.item.text, s.item.image, s.item.selectedImage, s.item.hasChildrenIndicator});
            }
            std::sort(run.begin(), run.end(),
                      [](const Taken& a, const Taken& b) { return a.stamp < b.stamp; });
            // Removed first, so that the inserts find free slots and the rows stay where they are.
            for (std::size_t r = end; r-- > row;)
                removeAt(parent, static_cast<int>(r));
            for (std::size_t k = 0; k < run.size(); ++k) {
                const Taken& t = run[k];
                insertAt(parent, row + k, t.text, sortKey(t.text), t.image, t.selectedImage,
                         t.hasChildrenIndicator);
            }
        }
        row = end - 1;
    }
}

bool ChatterTreeModel::renameInPlace(Slot& s, TreeItemId id, std::string_view text) {
    const Rows rows = rowsOf(s.item.parent);
    if (!rows.inOrder) return false;
    // The row: among the rows with the item's key, found by halving.
    const SortKey oldKey = sortKey(s.item.text);
    const auto first = std::lower_bound(rows.keys.begin(), rows.keys.end(), oldKey);
    std::size_t row = static_cast<std::size_t>(first - rows.keys.begin());
    while (row < rows.ids.size() && rows.keys[row] == oldKey && rows.ids[row] != id)
        ++row;
    if (row == rows.ids.size() || rows.ids[row] != id) return false;
    const SortKey key = sortKey(text);
    // Ties are left to orderEqualItems.
    const auto atMostEqual = [](std::string_view a, SortKey aKey, std::string_view b, SortKey bKey) {
        return aKey != bKey ? aKey < bKey : compareIgnoreCase(a, b) <= 0;
    };
    if (row > 0 && !atMostEqual(item(rows.ids[row - 1])->text, rows.keys[row - 1], text, key)) return false;
    if (row + 1 < rows.ids.size() &&
        !atMostEqual(text, key, item(rows.ids[row + 1])->text, rows.keys[row + 1])) {
        return false;
    }
    s.item.text.assign(text);
    rows.keys[row] = key;
    notify([&](ChatterTreeObserver& o) { o.itemChanged(id); });
    return true;
}

void ChatterTreeModel::removeStale(TreeItemId id) {
    const Slot* s = slotOf(id);
    if (s == nullptr) return;
    if ((m_marks[slotIndex(id)] & Stale) != 0) {
        remove(id);
        return;
    }
    // From the last row to the first, so that the rows still to be visited keep their places.
    for (std::size_t row = s->item.children.size(); row-- > 0 && s->staleBelow != 0;) {
        const TreeItemId child = s->item.children[row];
        const std::uint8_t marks = m_marks[slotIndex(child)];
        if ((marks & Stale) != 0) {
            removeAt(id, static_cast<int>(row));
            s = slotOf(id);
        } else if ((marks & Parent) != 0) {
            removeStale(child);
            s = slotOf(id);
        }
    }
}

void ChatterTreeModel::countStaleBelow(Slot* s, std::ptrdiff_t delta) {
    for (; s != nullptr; s = slotOf(s->item.parent))
        s->staleBelow = static_cast<std::size_t>(static_cast<std::ptrdiff_t>(s->staleBelow) + delta);
}

const char* ChatterTreeModel::brokenInvariant() const {
    std::size_t live = 0;
    // Checks the rows under `parent`; returns the items at or below it.
    const auto check = [&](const auto& self, TreeItemId parent, const std::vector<TreeItemId>& ids,
                           const std::vector<SortKey>& keys, bool inOrder,
                           const char*& broken) -> std::size_t {
        if (ids.size() != keys.size()) broken = "row keys and rows differ in number";
        std::size_t below = 0;
        for (std::size_t row = 0; row < ids.size() && broken == nullptr; ++row) {
            const Slot* s = slotOf(ids[row]);
            if (s == nullptr) {
                broken = "a row holds no item";
                break;
            }
            ++live;
            const TreeItem& it = s->item;
            if (it.parent != parent) broken = "an item's parent does not hold it";
            if (keys[row] != sortKey(it.text)) broken = "a row key is not its item's";
            if (inOrder && row > 0 && compareIgnoreCase(item(ids[row - 1])->text, it.text) > 0) {
                broken = "rows said to be in order are not";
            }
            const std::uint8_t marks = m_marks[slotIndex(ids[row])];
            if (((marks & Parent) != 0) != !it.children.empty()) broken = "a has-children mark is wrong";
            const std::size_t subtree =
                self(self, ids[row], it.children, s->childKeys, s->childrenInOrder, broken);
            if (it.descendants + 1 != subtree) broken = "a descendant count is wrong";
            below += subtree;
        }
        return below + (parent == NoItem ? 0 : 1);
    };
    const char* broken = nullptr;
    check(check, NoItem, m_topLevel, m_topLevelKeys, m_topLevelInOrder, broken);
    if (broken == nullptr && live != m_live) broken = "the item count is wrong";
    if (broken != nullptr) return broken;
    // Stale counts: each item's count of stale items below it, from its children's.
    for (std::uint32_t i = 0; i < m_slots.size(); ++i) {
        const Slot& s = m_slots[i];
        if (!s.used) {
            if (m_marks[i] != 0) return "a free slot carries marks";
            continue;
        }
        std::size_t stale = 0;
        const auto count = [&](const auto& self, const TreeItem& it) -> void {
            for (const TreeItemId child : it.children) {
                if ((m_marks[slotIndex(child)] & Stale) != 0) ++stale;
                self(self, m_slots[slotIndex(child)].item);
            }
        };
        count(count, s.item);
        if (stale != s.staleBelow) return "a stale count is wrong";
    }
    return nullptr;
}

void ChatterTreeModel::removeObserver(ChatterTreeObserver* observer) {
    m_observers.erase(std::remove(m_observers.begin(), m_observers.end(), observer), m_observers.end());
}

}  // namespace tavik
