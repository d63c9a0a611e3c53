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
std::uint32_t generationOf(TreeItemId id) {
    return static_cast<std::uint32_t>(id >> 32);
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

const ChatterTreeModel::Slot* ChatterTreeModel::slotOf(TreeItemId id) const {
    if (id == NoItem) return nullptr;
    const std::uint32_t index = slotIndex(id);
    if (index >= m_slots.size()) return nullptr;
    const Slot& s = m_slots[index];
    return s.used && s.generation == generationOf(id) ? &s : nullptr;
}

ChatterTreeModel::Slot* ChatterTreeModel::slotOf(TreeItemId id) {
    return const_cast<Slot*>(static_cast<const ChatterTreeModel*>(this)->slotOf(id));
}

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

int ChatterTreeModel::rowOf(TreeItemId id) const {
    const TreeItem* it = item(id);
    if (it == nullptr) return -1;
    const auto& list = children(it->parent);
    const auto pos = std::find(list.begin(), list.end(), id);
    return pos == list.end() ? -1 : static_cast<int>(pos - list.begin());
}

TreeItemId ChatterTreeModel::insertSorted(TreeItemId parent, std::string_view text, int image,
                                          int selectedImage, bool hasChildrenIndicator) {
    if (parent != NoItem && slotOf(parent) == nullptr) return NoItem;
    std::uint32_t index = 0;
    if (!m_free.empty()) {
        index = m_free.back();
        m_free.pop_back();
    } else {
        index = static_cast<std::uint32_t>(m_slots.size());
        m_slots.emplace_back();
    }
    Slot& s = m_slots[index];
    s.used = true;
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

    // Sorted insert; an item goes after the ones that compare equal to it.
    // The slots may have moved; the parent's index has not.
    Slot* parentSlot = parent == NoItem ? nullptr : &m_slots[slotIndex(parent)];
    const Rows rows = rowsOf(parentSlot);
    const SortKey key = sortKey(text);
    const std::size_t first = sortedRow(rows, text, key);
    const int row = static_cast<int>(first);
    notify([&](ChatterTreeObserver& o) { o.itemAboutToBeInserted(parent, row); });
    rows.ids.insert(rows.ids.begin() + static_cast<std::ptrdiff_t>(first), id);
    rows.keys.insert(rows.keys.begin() + static_cast<std::ptrdiff_t>(first), key);
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

void ChatterTreeModel::freeSubtree(TreeItemId id) {
    Slot* s = slotOf(id);
    if (s == nullptr) return;
    for (const TreeItemId child : s->item.children)
        freeSubtree(child);
    s = slotOf(id);  // the slot vector does not grow here, but stay on the safe side
    s->item.children.clear();
    s->childKeys.clear();
    s->childrenInOrder = true;
    s->used = false;
    ++s->generation;
    if (s->generation == 0) s->generation = 1;
    m_free.push_back(slotIndex(id));
    --m_live;
}

void ChatterTreeModel::remove(TreeItemId id) {
    const TreeItem* it = item(id);
    if (it == nullptr) return;
    const TreeItemId parent = it->parent;
    const int row = rowOf(id);
    notify([&](ChatterTreeObserver& o) { o.itemAboutToBeRemoved(parent, row); });
    const auto removed = static_cast<std::ptrdiff_t>(1 + it->descendants);
    const Rows rows = rowsOf(parent);
    rows.ids.erase(rows.ids.begin() + row);
    rows.keys.erase(rows.keys.begin() + row);
    if (rows.ids.empty()) rows.inOrder = true;
    freeSubtree(id);
    countBelow(parent == NoItem ? nullptr : slotOf(parent), -removed);
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
    if (rows.ids.empty() || rows.ids.front() != id) {
        row = static_cast<std::size_t>(std::find(rows.ids.begin(), rows.ids.end(), id) - rows.ids.begin());
    }
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
    if (s == nullptr) return;
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

void ChatterTreeModel::removeObserver(ChatterTreeObserver* observer) {
    m_observers.erase(std::remove(m_observers.begin(), m_observers.end(), observer), m_observers.end());
}

}  // namespace tavik
