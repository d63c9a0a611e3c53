#include "chat/ChatterTreeModel.h"

#include <algorithm>

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
    std::uint64_t key = 0;
    const std::size_t n = text.size() < 8 ? text.size() : 8;
    for (std::size_t i = 0; i < n; ++i)
        key |= static_cast<std::uint64_t>(lowerByte(static_cast<unsigned char>(text[i]))) << (56 - 8 * i);
    return key;
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

void ChatterTreeModel::countBelow(TreeItemId parent, std::ptrdiff_t delta) {
    // Kept per item so that the per-session item cap costs nothing per add.
    for (Slot* s = slotOf(parent); s != nullptr; s = slotOf(s->item.parent)) {
        s->item.descendants =
            static_cast<std::size_t>(static_cast<std::ptrdiff_t>(s->item.descendants) + delta);
    }
}

const std::vector<TreeItemId>& ChatterTreeModel::children(TreeItemId parent) const {
    if (parent == NoItem) return m_topLevel;
    const Slot* s = slotOf(parent);
    return s != nullptr ? s->item.children : NoChildren;
}

std::vector<TreeItemId>& ChatterTreeModel::siblings(TreeItemId parent) {
    if (parent == NoItem) return m_topLevel;
    return slotOf(parent)->item.children;
}

std::vector<ChatterTreeModel::SortKey>& ChatterTreeModel::siblingKeys(TreeItemId parent) {
    if (parent == NoItem) return m_topLevelKeys;
    return slotOf(parent)->childKeys;
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
    it.expanded = false;
    it.hasChildrenIndicator = hasChildrenIndicator;
    it.descendants = 0;
    const TreeItemId id = makeId(index, s.generation);
    ++m_live;

    // Sorted insert; an item goes after the ones that compare equal to it. The
    // halving is upper_bound's, step for step, with the keys answering every
    // compare they can.
    std::vector<TreeItemId>& list = siblings(parent);
    std::vector<SortKey>& keys = siblingKeys(parent);
    const SortKey key = sortKey(text);
    std::size_t first = 0;
    std::size_t len = list.size();
    while (len > 0) {
        const std::size_t half = len >> 1;
        const std::size_t middle = first + half;
        const bool before =
            key != keys[middle] ? key < keys[middle] : compareIgnoreCase(text, item(list[middle])->text) < 0;
        if (before) {
            len = half;
        } else {
            first = middle + 1;
            len = len - half - 1;
        }
    }
    const auto pos = list.begin() + static_cast<std::ptrdiff_t>(first);
    const int row = static_cast<int>(pos - list.begin());
    notify([&](ChatterTreeObserver& o) { o.itemAboutToBeInserted(parent, row); });
    list.insert(pos, id);
    keys.insert(keys.begin() + static_cast<std::ptrdiff_t>(first), key);
    countBelow(parent, 1);
    notify([&](ChatterTreeObserver& o) { o.itemInserted(id); });
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
    std::vector<TreeItemId>& list = siblings(parent);
    list.erase(list.begin() + row);
    std::vector<SortKey>& keys = siblingKeys(parent);
    keys.erase(keys.begin() + row);
    freeSubtree(id);
    countBelow(parent, -removed);
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
    const std::vector<TreeItemId>& list = siblings(s->item.parent);
    std::size_t row = 0;
    if (list.empty() || list.front() != id) {
        row = static_cast<std::size_t>(std::find(list.begin(), list.end(), id) - list.begin());
    }
    std::vector<SortKey>& keys = siblingKeys(s->item.parent);
    if (row < keys.size()) keys[row] = key;
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
