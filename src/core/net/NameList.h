#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "net/TreeItemId.h"
#include "text/Text.h"

namespace tavik {

// One entry of a NameList. The four flag bytes, name, text and context are also
// the 408-byte record of ChatWatch.cfg, so the flags keep whatever byte they got.
struct NameEntry {
    static constexpr std::size_t MaxName = 20;
    static constexpr std::size_t MaxText = 254;
    static constexpr std::size_t MaxContext = 127;

    // What a lookup reads comes first, so that it meets one or two cache lines.
    std::uint8_t active = 0;
    std::uint8_t stale = 0;
    std::uint8_t optionA = 1;
    std::uint8_t optionB = 0;
    // In a session's chatter names: where the entry stands in the list being
    // read (Session::listedChatterName). Never saved.
    std::uint32_t listedAt = 0;
    // In a session's chatter names: the tree item last made for a chatter of
    // this name, which the next list may take back. Never saved.
    TreeItemId treeItem = NoItem;
    std::string name;     // at most 20 characters, cut at its first blank
    std::string context;  // at most 127 characters; the chat an entry belongs to, or empty
    std::string text;     // at most 254 characters

    // Copies at most 20 characters, then cuts at the first blank.
    void setName(std::string_view value);
    void setContext(std::string_view value);
    void setText(std::string_view value);

private:
    friend class NameList;
    std::int64_t m_rank = 0;  // position in walk order, for the side index
};

// A list of name entries keyed by (name, context), names compared ignoring case.
// Walk order is the first entry, then the entries added after it from the newest
// to the oldest; the first entry is a full member and is never swept. Lookups go
// through a case-insensitive index, so long chatter lists stay cheap while the
// walk-order rules (which entry a lookup meets first) are kept exactly.
class NameList {
public:
    using Entries = std::list<NameEntry>;

    NameList() = default;
    NameList(const NameList&) = delete;
    NameList& operator=(const NameList&) = delete;
    NameList(NameList&&) = default;
    // The entries of the list assigned over are gone: it counts as a removal.
    NameList& operator=(NameList&& other) noexcept {
        const std::uint64_t removals = (m_removals > other.m_removals ? m_removals : other.m_removals) + 1;
        m_entries = std::move(other.m_entries);
        m_index = std::move(other.m_index);
        m_buckets = std::move(other.m_buckets);
        m_indexUsed = std::exchange(other.m_indexUsed, 0);
        m_nextFrontRank = other.m_nextFrontRank;
        m_nextBackRank = other.m_nextBackRank;
        m_removals = removals;
        return *this;
    }
    ~NameList() = default;

    bool empty() const { return m_entries.empty(); }
    // Counts the entries ever removed: pointers to entries taken while it
    // stays the same still point to them.
    std::uint64_t removals() const { return m_removals; }
    std::size_t size() const { return m_entries.size(); }
    NameEntry* first() { return m_entries.empty() ? nullptr : &m_entries.front(); }

    // Walk order.
    Entries::iterator begin() { return m_entries.begin(); }
    Entries::iterator end() { return m_entries.end(); }
    Entries::const_iterator begin() const { return m_entries.begin(); }
    Entries::const_iterator end() const { return m_entries.end(); }

    // The entry with `name` (cut at its first blank) and `context`. Meeting the
    // name with another context first, and with `copyForContext` set, adds an
    // entry for this context (see addWithContext) and returns it if it is new.
    NameEntry* find(std::string_view name, std::string_view context, bool copyForContext);

    // Clears the stale mark of a present entry (false), or adds one (true).
    bool addOrRefresh(std::string_view name);
    // As addOrRefresh; returns the entry, the one find(name, "", true) meets.
    NameEntry* refreshed(std::string_view name) { return refreshedName(cutAtBlank(name)); }
    // As refreshed, for a name that holds no blank.
    NameEntry* refreshedName(std::string_view name);
    // Adds (name, context) unless present; a present entry only loses its stale
    // mark and the result is null. A new entry has default flags and no text.
    NameEntry* addWithContext(std::string_view name, std::string_view context);
    // Adds a name: the first entry of an empty list, otherwise as addOrRefresh.
    void add(std::string_view name) { addOrRefresh(name); }

    // Marks entries of `context` (exact) that are not active and have optionA set.
    void markStale(std::string_view context);
    // Removes the stale entries of `context` (exact), never the first entry.
    void sweepStale(std::string_view context);

    // Unlinks and frees `entry`; when it was the first, the next one becomes first.
    void remove(NameEntry* entry);
    // Appends at the end of walk order (used when loading a file in file order).
    NameEntry& append(NameEntry entry);
    void clear();

private:
    using Bucket = std::vector<NameEntry*>;  // ordered by walk order
    // One slot of the open-addressing index, kept to 16 bytes so that the
    // probes of a long list stay in cache: the low half of the hash of a name,
    // the number of entries whose names are equal to it ignoring case, and the
    // first of them in walk order. All of them, the first too, are in the
    // slot's bucket (m_buckets, row for row), which a lookup reaches only for
    // a name with more than one entry. A slot with no entries is free; a freed
    // slot keeps its bucket's capacity for the next name.
    struct IndexSlot {
        std::uint32_t hash = 0;
        std::uint32_t count = 0;
        NameEntry* front = nullptr;
    };
    static constexpr std::size_t NoSlot = static_cast<std::size_t>(-1);

    NameEntry* linkNew(NameEntry entry);
    void indexInsert(NameEntry* entry);
    void indexErase(NameEntry* entry);
    std::size_t indexFind(std::string_view key, std::uint32_t hash) const;
    void indexGrow();

    Entries m_entries;
    std::vector<IndexSlot> m_index;  // size 0 or a power of two, at most three quarters full
    std::vector<Bucket> m_buckets;   // the entries of each slot of m_index
    std::size_t m_indexUsed = 0;     // slots with entries
    std::uint64_t m_removals = 0;
    std::int64_t m_nextFrontRank = 0;  // entries linked after the first get ever smaller ranks
    std::int64_t m_nextBackRank = 1;   // appended entries get ever larger ranks
};

}  // namespace tavik
