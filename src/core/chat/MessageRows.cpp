#include "chat/MessageRows.h"

#include <algorithm>
#include <utility>

namespace tavik {

MessageRows::MessageRows() : m_slots(static_cast<std::size_t>(Capacity)) {}

void MessageRows::insert(int index, LineKind kind, std::string_view c0, std::string_view c1,
                         std::string_view c2, std::string_view c3) {
    if (m_count >= Capacity) return;
    index = std::clamp(index, 0, m_count);
    notify([&](MessageRowsObserver& o) { o.rowsAboutToBeInserted(index, 1); });
    constexpr auto cap = static_cast<std::size_t>(Capacity);
    std::size_t slot = 0;
    if (index >= m_count / 2) {
        // Open the gap by moving the rows after `index` one slot towards the end.
        slot = physical(m_count);
        for (int i = m_count; i > index; --i) {
            const std::size_t prev = physical(i - 1);
            std::swap(m_slots[slot], m_slots[prev]);
            slot = prev;
        }
    } else {
        // Open the gap by moving the rows before `index` one slot towards the front.
        m_head = (m_head + cap - 1) % cap;
        slot = physical(0);
        for (int i = 0; i < index; ++i) {
            const std::size_t next = physical(i + 1);
            std::swap(m_slots[slot], m_slots[next]);
            slot = next;
        }
    }
    MessageRow& r = m_slots[slot];
    r.kind = kind;
    r.selected = false;
    r.cells[0].assign(c0);
    r.cells[1].assign(c1);
    r.cells[2].assign(c2);
    r.cells[3].assign(c3);
    ++m_count;
    if (m_marker >= index && m_count > 1) ++m_marker;
    notify([&](MessageRowsObserver& o) { o.rowsInserted(index, 1); });
}

void MessageRows::remove(int index) {
    if (index < 0 || index >= m_count) return;
    notify([&](MessageRowsObserver& o) { o.rowsAboutToBeRemoved(index, 1); });
    constexpr auto cap = static_cast<std::size_t>(Capacity);
    if (index < m_count / 2) {
        for (int i = index; i > 0; --i)
            std::swap(m_slots[physical(i)], m_slots[physical(i - 1)]);
        m_head = (m_head + 1) % cap;
    } else {
        for (int i = index; i < m_count - 1; ++i)
            std::swap(m_slots[physical(i)], m_slots[physical(i + 1)]);
    }
    --m_count;
    if (m_marker > index) --m_marker;
    m_marker = std::clamp(m_marker, 0, std::max(0, m_count - 1));
    notify([&](MessageRowsObserver& o) { o.rowsRemoved(index, 1); });
}

void MessageRows::setCell(int index, int column, std::string_view text) {
    if (index < 0 || index >= m_count || column < 0 || column >= 4) return;
    std::string& c = m_slots[physical(index)].cells[static_cast<std::size_t>(column)];
    if (c == text) return;
    c.assign(text);
    notify([&](MessageRowsObserver& o) { o.rowChanged(index); });
}

void MessageRows::setSelected(int index, bool selected) {
    if (index < 0 || index >= m_count) return;
    MessageRow& r = m_slots[physical(index)];
    if (r.selected == selected) return;
    r.selected = selected;
    notify([&](MessageRowsObserver& o) { o.selectionChanged(index); });
}

void MessageRows::clear() {
    notify([](MessageRowsObserver& o) { o.modelAboutToBeReset(); });
    m_count = 0;
    m_head = 0;
    m_marker = 0;
    notify([](MessageRowsObserver& o) { o.modelReset(); });
}

void MessageRows::setMarker(int row, int scrollTo) {
    m_marker = row;
    notify([&](MessageRowsObserver& o) { o.markerMoved(row, scrollTo); });
}

void MessageRows::requestAutosize() {
    notify([](MessageRowsObserver& o) { o.autosizeTextColumn(); });
}

void MessageRows::removeObserver(MessageRowsObserver* observer) {
    m_observers.erase(std::remove(m_observers.begin(), m_observers.end(), observer), m_observers.end());
}

}  // namespace tavik
