#include "chat/MessageRows.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>

namespace tavik {

namespace {

// Whether a cell holds `text` already, told without a call for texts of
// 4..16 bytes (a time, mostly a chat name), else false.
bool holdsShortText(const std::string& cell, std::string_view text) {
    return cell.size() == text.size() && text.size() >= 4 && text.size() <= 16 &&
           MessageRows::sameShortText(cell.data(), text.data(), text.size());
}

}  // namespace

MessageRows::MessageRows(int capacity) : m_capacity(std::clamp(capacity, 1, MaxCapacity)) {
    m_slots.resize(static_cast<std::size_t>(m_capacity));
    m_order.resize(static_cast<std::size_t>(m_capacity));
    for (std::size_t i = 0; i < m_order.size(); ++i)
        m_order[i] = static_cast<std::uint16_t>(i);
}

void MessageRows::setCapacity(int capacity, int fillTo, LineKind fillerKind,
                              const std::array<std::string_view, 4>& fillerCells) {
    capacity = std::clamp(capacity, 1, MaxCapacity);
    fillTo = std::clamp(fillTo, 0, capacity);
    notify([](MessageRowsObserver& o) { o.modelAboutToBeReset(); });
    const int kept = std::min(m_count, fillTo);
    const int dropped = m_count - kept;
    const int fillers = std::max(0, fillTo - kept);
    std::vector<MessageRow> slots(static_cast<std::size_t>(capacity));
    for (int i = 0; i < fillers; ++i) {
        MessageRow& r = slots[static_cast<std::size_t>(i)];
        r.kind = fillerKind;
        for (std::size_t c = 0; c < r.cells.size(); ++c)
            r.cells[c].assign(fillerCells[c]);
        r.serial = ++m_lastSerial;
    }
    for (int i = 0; i < kept; ++i)
        slots[static_cast<std::size_t>(fillers + i)] = std::move(m_slots[physical(dropped + i)]);
    const int marker = m_marker - dropped;
    m_slots = std::move(slots);
    m_capacity = capacity;
    m_order.resize(static_cast<std::size_t>(capacity));
    for (std::size_t i = 0; i < m_order.size(); ++i)
        m_order[i] = static_cast<std::uint16_t>(i);
    m_head = 0;
    m_count = fillers + kept;
    m_marker = std::clamp(marker < 0 ? 0 : marker + fillers, 0, std::max(0, m_count - 1));
    m_selectedCount = 0;
    for (int i = 0; i < m_count; ++i)
        m_selectedCount += m_slots[static_cast<std::size_t>(i)].selected ? 1 : 0;
    notify([](MessageRowsObserver& o) { o.modelReset(); });
}

void MessageRows::insert(int index, LineKind kind, const std::array<std::string_view, 4>& cells) {
    const auto& [c0, c1, c2, c3] = cells;
    if (m_count >= m_capacity) return;
    index = std::clamp(index, 0, m_count);
    notify([&](MessageRowsObserver& o) { o.rowsAboutToBeInserted(index, 1); });
    const auto cap = static_cast<std::size_t>(m_capacity);
    std::uint16_t slot = 0;
    if (index >= m_count / 2) {
        // Take the first free slot and shift the slot numbers after `index` one place on.
        slot = m_order[ringAt(m_count)];
        for (int i = m_count; i > index; --i)
            m_order[ringAt(i)] = m_order[ringAt(i - 1)];
    } else {
        // Take the last free slot and shift the slot numbers before `index` one place back.
        m_head = m_head == 0 ? cap - 1 : m_head - 1;
        slot = m_order[ringAt(0)];
        for (int i = 0; i < index; ++i)
            m_order[ringAt(i)] = m_order[ringAt(i + 1)];
    }
    m_order[ringAt(index)] = slot;
    MessageRow& r = m_slots[slot];
    r.kind = kind;
    r.selected = false;
    r.serial = ++m_lastSerial;
    r.cells[0].assign(c0);
    r.cells[1].assign(c1);
    // A slot is reused for a new row, and its time and chat cells mostly hold
    // what the new row has: an inline compare costs far less than a copy.
    if (!holdsShortText(r.cells[2], c2)) r.cells[2].assign(c2);
    if (!holdsShortText(r.cells[3], c3)) r.cells[3].assign(c3);
    ++m_count;
    if (m_marker >= index && m_count > 1) ++m_marker;
    notify([&](MessageRowsObserver& o) { o.rowsInserted(index, 1); });
}

void MessageRows::remove(int index) {
    if (index < 0 || index >= m_count) return;
    notify([&](MessageRowsObserver& o) { o.rowsAboutToBeRemoved(index, 1); });
    const auto cap = static_cast<std::size_t>(m_capacity);
    const std::uint16_t slot = m_order[ringAt(index)];
    if (m_slots[slot].selected) --m_selectedCount;
    if (index < m_count / 2) {
        // The slot becomes the last free one, before the first row.
        for (int i = index; i > 0; --i)
            m_order[ringAt(i)] = m_order[ringAt(i - 1)];
        m_order[ringAt(0)] = slot;
        m_head = m_head + 1 == cap ? 0 : m_head + 1;
    } else {
        // The slot becomes the first free one, after the last row.
        for (int i = index; i < m_count - 1; ++i)
            m_order[ringAt(i)] = m_order[ringAt(i + 1)];
        m_order[ringAt(m_count - 1)] = slot;
    }
    --m_count;
    if (m_marker > index) --m_marker;
    m_marker = std::clamp(m_marker, 0, std::max(0, m_count - 1));
    notify([&](MessageRowsObserver& o) { o.rowsRemoved(index, 1); });
}

void MessageRows::reserveCells(int column, std::size_t bytes) {
    if (column < 0 || column >= 4) return;
    for (MessageRow& slot : m_slots)
        slot.cells[static_cast<std::size_t>(column)].reserve(bytes);
}

int MessageRows::rowOfSerial(std::uint64_t serial) const {
    if (serial == 0) return -1;
    for (int index = 0; index < m_count; ++index) {
        if (row(index).serial == serial) return index;
    }
    return -1;
}

void MessageRows::setCell(int index, int column, std::string_view text) {
    if (index < 0 || index >= m_count || column < 0 || column >= 4) return;
    std::string& c = m_slots[physical(index)].cells[static_cast<std::size_t>(column)];
    if (c == text) return;
    if (text.empty()) {
        c.clear();
    } else {
        c.assign(text);
    }
    notify([&](MessageRowsObserver& o) { o.rowChanged(index); });
}

void MessageRows::clear() {
    notify([](MessageRowsObserver& o) { o.modelAboutToBeReset(); });
    m_count = 0;
    m_head = 0;
    m_marker = 0;
    m_selectedCount = 0;
    notify([](MessageRowsObserver& o) { o.modelReset(); });
}

void MessageRows::requestAutosize() {
    notify([](MessageRowsObserver& o) { o.autosizeTextColumn(); });
}

void MessageRows::removeObserver(MessageRowsObserver* observer) {
    m_observers.erase(std::remove(m_observers.begin(), m_observers.end(), observer), m_observers.end());
}

}  // namespace tavik
