#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "net/LineKind.h"

namespace tavik {

struct MessageRow {
    std::array<std::string, 4> cells;  // by column index, in the order the columns were added
    LineKind kind = LineKind::Filler;
    bool selected = false;  // the user may select several rows; the marker row is always selected
    // Which row this is: every inserted row gets the next number, so a click
    // can tell whether the row under it is still the one it was when the
    // button went down, after rows came and went. 0 is no row.
    std::uint64_t serial = 0;
};

class MessageRowsObserver {
public:
    virtual ~MessageRowsObserver() = default;
    virtual void rowsAboutToBeInserted(int /*first*/, int /*count*/) {}
    virtual void rowsInserted(int /*first*/, int /*count*/) {}
    virtual void rowsAboutToBeRemoved(int /*first*/, int /*count*/) {}
    virtual void rowsRemoved(int /*first*/, int /*count*/) {}
    virtual void rowChanged(int /*row*/) {}
    virtual void modelAboutToBeReset() {}
    virtual void modelReset() {}
    // The marker (selected and focused row) is now `row`; `scrollTo` is to be made visible.
    virtual void markerMoved(int /*row*/, int /*scrollTo*/) {}
    virtual void selectionChanged(int /*row*/) {}
    // The Text column is to be sized to fit its contents.
    virtual void autosizeTextColumn() {}
};

// The rows of the message list: at most capacity() rows of four text cells
// and a kind (Capacity unless the list was made for more). Rows live in reused
// slots that never move, so a full list takes a new row and drops its oldest
// without allocating; a ring of slot numbers gives the order, and a row
// inserted in the middle only shifts slot numbers. The marker follows its row
// when rows are inserted or removed before it, as a list control's selection
// does.
class MessageRows {
public:
    static constexpr int Capacity = 501;
    // Slot numbers are 16 bits wide.
    static constexpr int MaxCapacity = 65535;

    explicit MessageRows(int capacity = Capacity);

    int capacity() const { return m_capacity; }
    // Makes room for `capacity` rows and leaves `fillTo` rows: the newest of
    // them stay, blank rows of `fillerKind` with `fillerCells` go before them,
    // all in one reset. The marker stays on its row, or goes to the first.
    void setCapacity(int capacity, int fillTo, LineKind fillerKind,
                     const std::array<std::string_view, 4>& fillerCells);

    // Gives column `column` of every slot room for `bytes`, slot after slot:
    // the texts then lie in memory in the order the slots are reused.
    void reserveCells(int column, std::size_t bytes);

    int count() const { return m_count; }
    const MessageRow& row(int index) const { return m_slots[physical(index)]; }
    const std::string& cell(int index, int column) const {
        return row(index).cells[static_cast<std::size_t>(column)];
    }
    LineKind kind(int index) const { return row(index).kind; }
    // The serial of row `index`, 0 for an index of no row.
    std::uint64_t serial(int index) const { return index >= 0 && index < m_count ? row(index).serial : 0; }
    // The row of that serial now, or -1 when it is gone.
    int rowOfSerial(std::uint64_t serial) const;

    // Inserts a row at `index` (0..count) from the given cell texts; count < Capacity.
    void insert(int index, LineKind kind, std::string_view c0, std::string_view c1, std::string_view c2,
                std::string_view c3) {
        insert(index, kind, std::array<std::string_view, 4>{c0, c1, c2, c3});
    }
    void insert(int index, LineKind kind, const std::array<std::string_view, 4>& cells);
    void remove(int index);
    // remove(0), inline: a full list drops its oldest row for every new one.
    void removeFirst() {
        if (m_count < 2) {
            remove(0);
            return;
        }
        notify([](MessageRowsObserver& o) { o.rowsAboutToBeRemoved(0, 1); });
        if (m_slots[physical(0)].selected) --m_selectedCount;
        // The first row's slot becomes the last free one, before the first row:
        // the ring only turns.
        m_head = m_head + 1 == static_cast<std::size_t>(m_capacity) ? 0 : m_head + 1;
        --m_count;
        if (m_marker > 0) --m_marker;
        m_marker = std::min(m_marker, m_count - 1);
        notify([](MessageRowsObserver& o) { o.rowsRemoved(0, 1); });
    }
    void setCell(int index, int column, std::string_view text);
    void clear();

    // Inline: the marker moves with every new row.
    void setSelected(int index, bool selected) {
        if (index < 0 || index >= m_count) return;
        MessageRow& r = m_slots[physical(index)];
        if (r.selected == selected) return;
        r.selected = selected;
        m_selectedCount += selected ? 1 : -1;
        notify([&](MessageRowsObserver& o) { o.selectionChanged(index); });
    }
    int marker() const { return m_marker; }
    // How many rows are selected: mostly the marker's row alone.
    int selectedCount() const { return m_selectedCount; }
    void setMarker(int row, int scrollTo) {
        m_marker = row;
        notify([&](MessageRowsObserver& o) { o.markerMoved(row, scrollTo); });
    }
    // setSelected(marker(), false), setSelected(row, true), setMarker(row, scrollTo).
    // Inline: the marker moves with every new row, mostly staying on its row.
    void moveMarker(int row, int scrollTo) {
        if (row == m_marker && row >= 0 && row < m_count) {
            MessageRow& r = m_slots[physical(row)];
            if (r.selected) {
                r.selected = false;
                --m_selectedCount;
                notify([&](MessageRowsObserver& o) { o.selectionChanged(row); });
            }
            r.selected = true;
            ++m_selectedCount;
            notify([&](MessageRowsObserver& o) { o.selectionChanged(row); });
        } else {
            setSelected(m_marker, false);
            setSelected(row, true);
        }
        setMarker(row, scrollTo);
    }
    void requestAutosize();

    void addObserver(MessageRowsObserver* observer) { m_observers.push_back(observer); }
    void removeObserver(MessageRowsObserver* observer);

    // Whether two texts of `n` bytes, 4..16, are equal, without a call.
    static bool sameShortText(const char* a, const char* b, std::size_t n) {
        return n >= 8 ? sameWords<std::uint64_t>(a, b, n) : sameWords<std::uint32_t>(a, b, n);
    }

private:
    template <typename Word>
    static bool sameWords(const char* a, const char* b, std::size_t n) {
        // The first and the last word, overlapping when n < 2 words.
        Word a0, a1, b0, b1;
        std::memcpy(&a0, a, sizeof(Word));
        std::memcpy(&b0, b, sizeof(Word));
        std::memcpy(&a1, a + n - sizeof(Word), sizeof(Word));
        std::memcpy(&b1, b + n - sizeof(Word), sizeof(Word));
        return ((a0 ^ b0) | (a1 ^ b1)) == 0;
    }

    // Position of row `index` in the ring of slot numbers.
    std::size_t ringAt(int index) const {
        const std::size_t at = m_head + static_cast<std::size_t>(index);
        const auto capacity = static_cast<std::size_t>(m_capacity);
        return at >= capacity ? at - capacity : at;
    }
    std::size_t physical(int index) const { return m_order[ringAt(index)]; }
    template <typename F>
    void notify(F&& f) {
        for (MessageRowsObserver* o : m_observers)
            f(*o);
    }

    std::vector<MessageRow> m_slots;
    // Slot numbers in row order from m_head on; the positions after the last
    // row hold the free slots, so every slot number is always in the ring once.
    std::vector<std::uint16_t> m_order;
    std::size_t m_head = 0;
    int m_capacity = Capacity;
    int m_count = 0;
    int m_marker = 0;
    int m_selectedCount = 0;
    std::uint64_t m_lastSerial = 0;
    std::vector<MessageRowsObserver*> m_observers;
};

}  // namespace tavik
