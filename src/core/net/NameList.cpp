#include "net/NameList.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>

namespace tavik {

namespace {
constexpr std::int64_t FirstRank = std::numeric_limits<std::int64_t>::min();

// Letters that are equal ignoring case differ in bit 5 or 6 only (A/a, À/à,
// Š/š, Ÿ/ÿ), so a name hashed with both bits cleared in every byte hashes
// alike in any case. Other bytes may meet this way too (0 and P); the compare
// after the hash tells them apart. Eight bytes go in per step.
constexpr std::uint64_t FoldMask = 0x9F9F9F9F9F9F9F9FULL;

// A name as it is stored: at most 20 characters, cut at its first blank.
std::string_view lookupKey(std::string_view name) {
    return cutAtBlank(capped(name, NameEntry::MaxName));
}

std::uint64_t mix(std::uint64_t h) {
    h ^= h >> 32;
    h *= 0xD6E8FEB86659FD93ULL;
    h ^= h >> 32;
    return h;
}

using text_detail::load32;
using text_detail::load64;

// Words of fixed size only, overlapping where the length asks for it (the
// length is hashed too): a copy of a variable length would cost a call.
std::uint32_t nameHash(std::string_view s) {
    constexpr std::uint64_t Multiplier = 0xFF51AFD7ED558CCDULL;
    const std::size_t n = s.size();
    const char* p = s.data();
    std::uint64_t h = n * 0x9E3779B97F4A7C15ULL;
    if (n >= 4) {
        // The first, the middle and the last four bytes, which cover a name of
        // up to twelve; the same steps for every such length.
        const std::uint64_t ends = load32(p) | (std::uint64_t{load32(p + n - 4)} << 32);
        h = (h ^ (ends & FoldMask)) * Multiplier;
        h ^= h >> 29;
        h = (h ^ (load32(p + (n - 4) / 2) & FoldMask)) * Multiplier;
        if (n > 12) [[unlikely]] {
            // Eight bytes at a time from the fifth, the last word ending four before the end.
            for (std::size_t i = 4; i + 8 < n - 4; i += 8) {
                h ^= h >> 29;
                h = (h ^ (load64(p + i) & FoldMask)) * Multiplier;
            }
            h ^= h >> 29;
            h = (h ^ (load64(p + n - 12) & FoldMask)) * Multiplier;
        }
    } else if (n > 0) {
        const auto byte = [p](std::size_t i) {
            return static_cast<std::uint64_t>(static_cast<unsigned char>(p[i]));
        };
        const std::uint64_t w = byte(0) | (byte(n >> 1) << 8) | (byte(n - 1) << 16);
        h = (h ^ (w & FoldMask)) * Multiplier;
    }
    return static_cast<std::uint32_t>(mix(h));
}
}  // namespace

void NameEntry::setName(std::string_view value) {
    name.assign(cutAtBlank(capped(value, MaxName)));
}
void NameEntry::setContext(std::string_view value) {
    context.assign(capped(value, MaxContext));
}
void NameEntry::setText(std::string_view value) {
    text.assign(capped(value, MaxText));
}

NameEntry* NameList::find(std::string_view name, std::string_view context, bool copyForContext) {
    if (m_indexUsed == 0) return nullptr;
    // The key is cut as a stored name is, or a name over 20 characters never
    // meets its own entry.
    const std::string_view key = lookupKey(name);
    const std::size_t slot = indexFind(key, nameHash(key));
    if (slot == NoSlot) return nullptr;
    // addWithContext below adds only when it returns the new entry at once, so
    // the slot and its bucket stay as they are while the walk goes on.
    const std::size_t count = m_index[slot].count;
    for (std::size_t i = 0; i < count; ++i) {
        NameEntry* entry = i == 0 ? m_index[slot].front : m_buckets[slot][i];
        // Most lookups ask for the entry without a context.
        if (context.empty() ? entry->context.empty() : equalsIgnoreCase(entry->context, context))
            return entry;
        if (copyForContext) {
            if (NameEntry* added = addWithContext(key, context)) return added;
        }
    }
    return nullptr;
}

bool NameList::addOrRefresh(std::string_view name) {
    if (NameEntry* entry = find(name, "", true)) {
        entry->stale = 0;
        return false;
    }
    NameEntry fresh;
    fresh.setName(name);
    linkNew(std::move(fresh));
    return true;
}

NameEntry* NameList::refreshedName(std::string_view name) {
    // What find meets first, told without its walk and without a call (every
    // listed chatter comes this way): the first entry of the name, when it
    // has no context, as a chatter's always has.
    const std::string_view key = capped(name, NameEntry::MaxName);
    if (!m_index.empty()) {
        const std::uint32_t hash = nameHash(key);
        const std::size_t mask = m_index.size() - 1;
        for (std::size_t i = hash & mask; m_index[i].count != 0; i = (i + 1) & mask) {
            const IndexSlot& s = m_index[i];
            if (s.hash != hash || !equalsIgnoreCase(s.front->name, key)) continue;
            if (!s.front->context.empty()) break;
            s.front->stale = 0;
            return s.front;
        }
    }
    if (NameEntry* entry = find(name, "", true)) {
        entry->stale = 0;
        return entry;
    }
    NameEntry fresh;
    fresh.setName(name);
    // A new name is the only entry of its key, so find meets it first.
    return linkNew(std::move(fresh));
}

NameEntry* NameList::addWithContext(std::string_view name, std::string_view context) {
    if (NameEntry* entry = find(name, context, false)) {
        entry->stale = 0;
        return nullptr;
    }
    NameEntry fresh;
    fresh.setName(name);
    fresh.setContext(context);
    return linkNew(std::move(fresh));
}

void NameList::markStale(std::string_view context) {
    for (NameEntry& e : m_entries) {
        if (e.active == 0 && e.optionA != 0 && e.context == context) e.stale = 1;
    }
}

void NameList::sweepStale(std::string_view context) {
    if (m_entries.empty()) return;
    for (auto it = std::next(m_entries.begin()); it != m_entries.end();) {
        if (it->stale != 0 && it->context == context) {
            ++m_removals;
            indexErase(&*it);
            it = m_entries.erase(it);
        } else {
            ++it;
        }
    }
}

void NameList::remove(NameEntry* entry) {
    const auto it =
        std::find_if(m_entries.begin(), m_entries.end(), [entry](const NameEntry& e) { return &e == entry; });
    if (it == m_entries.end()) return;
    ++m_removals;
    indexErase(entry);
    const bool wasFirst = it == m_entries.begin();
    m_entries.erase(it);
    // The next entry was already first among the rest; it only takes the first's rank.
    if (wasFirst && !m_entries.empty()) m_entries.front().m_rank = FirstRank;
}

NameEntry& NameList::append(NameEntry entry) {
    entry.m_rank = m_entries.empty() ? FirstRank : m_nextBackRank++;
    m_entries.push_back(std::move(entry));
    indexInsert(&m_entries.back());
    return m_entries.back();
}

void NameList::clear() {
    ++m_removals;
    m_entries.clear();
    m_index.clear();
    m_buckets.clear();
    m_indexUsed = 0;
}

NameEntry* NameList::linkNew(NameEntry entry) {
    if (m_entries.empty()) {
        entry.m_rank = FirstRank;
        m_entries.push_back(std::move(entry));
    } else {
        entry.m_rank = m_nextFrontRank--;
        m_entries.insert(std::next(m_entries.begin()), std::move(entry));
    }
    NameEntry* added = m_entries.empty()
                           ? nullptr
                           : (m_entries.size() == 1 ? &m_entries.front() : &*std::next(m_entries.begin()));
    indexInsert(added);
    return added;
}

std::size_t NameList::indexFind(std::string_view key, std::uint32_t hash) const {
    if (m_index.empty()) return NoSlot;
    const std::size_t mask = m_index.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        const IndexSlot& s = m_index[i];
        if (s.count == 0) return NoSlot;
        if (s.hash == hash && equalsIgnoreCase(s.front->name, key)) return i;
    }
}

void NameList::indexGrow() {
    std::vector<IndexSlot> oldIndex;
    std::vector<Bucket> oldBuckets;
    oldIndex.swap(m_index);
    oldBuckets.swap(m_buckets);
    const std::size_t size = oldIndex.empty() ? 16 : oldIndex.size() * 2;
    m_index.resize(size);
    m_buckets.resize(size);
    const std::size_t mask = size - 1;
    for (std::size_t j = 0; j < oldIndex.size(); ++j) {
        if (oldIndex[j].count == 0) continue;
        std::size_t i = oldIndex[j].hash & mask;
        while (m_index[i].count != 0)
            i = (i + 1) & mask;
        m_index[i] = oldIndex[j];
        m_buckets[i] = std::move(oldBuckets[j]);
    }
}

void NameList::indexInsert(NameEntry* entry) {
    const std::uint32_t hash = nameHash(entry->name);
    std::size_t slot = indexFind(entry->name, hash);
    if (slot == NoSlot) {
        if ((m_indexUsed + 1) * 4 > m_index.size() * 3) indexGrow();
        const std::size_t mask = m_index.size() - 1;
        slot = hash & mask;
        while (m_index[slot].count != 0)
            slot = (slot + 1) & mask;
        m_index[slot].hash = hash;
        m_buckets[slot].clear();
        ++m_indexUsed;
    }
    Bucket& bucket = m_buckets[slot];
    const auto pos = std::upper_bound(bucket.begin(), bucket.end(), entry->m_rank,
                                      [](std::int64_t rank, const NameEntry* e) { return rank < e->m_rank; });
    bucket.insert(pos, entry);
    m_index[slot].front = bucket.front();
    m_index[slot].count = static_cast<std::uint32_t>(bucket.size());
}

void NameList::indexErase(NameEntry* entry) {
    std::size_t hole = indexFind(entry->name, nameHash(entry->name));
    if (hole == NoSlot) return;
    Bucket& bucket = m_buckets[hole];
    bucket.erase(std::remove(bucket.begin(), bucket.end(), entry), bucket.end());
    m_index[hole].count = static_cast<std::uint32_t>(bucket.size());
    if (!bucket.empty()) {
        m_index[hole].front = bucket.front();
        return;
    }
    m_index[hole].front = nullptr;
    --m_indexUsed;
    // Linear probing without tombstones: slots after the hole move back into it
    // unless their home lies cyclically after the hole. Buckets are swapped, so
    // their capacity stays in the table.
    const std::size_t mask = m_index.size() - 1;
    for (std::size_t j = (hole + 1) & mask; m_index[j].count != 0; j = (j + 1) & mask) {
        const std::size_t home = m_index[j].hash & mask;
        const bool stays = hole <= j ? (hole < home && home <= j) : (hole < home || home <= j);
        if (stays) continue;
        std::swap(m_index[hole], m_index[j]);
        std::swap(m_buckets[hole], m_buckets[j]);
        hole = j;
    }
}

}  // namespace tavik
