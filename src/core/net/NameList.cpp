#include "net/NameList.h"

#include <algorithm>
#include <limits>

namespace tavik {

namespace {
constexpr std::int64_t FirstRank = std::numeric_limits<std::int64_t>::min();
}

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
    if (m_index.empty()) return nullptr;
    // The key is cut as a stored name is, or a name over 20 characters never
    // meets its own entry.
    const std::string_view key = cutAtBlank(capped(name, NameEntry::MaxName));
    const auto it = m_index.find(key);
    if (it == m_index.end()) return nullptr;
    // addWithContext below can only add to this same bucket and returns at once
    // when it does, so walking by index stays valid.
    for (std::size_t i = 0; i < it->second.size(); ++i) {
        NameEntry* entry = it->second[i];
        if (equalsIgnoreCase(entry->context, context)) return entry;
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

NameEntry* NameList::refreshed(std::string_view name) {
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
    m_entries.clear();
    m_index.clear();
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

void NameList::indexInsert(NameEntry* entry) {
    auto it = m_index.find(std::string_view(entry->name));
    if (it == m_index.end()) it = m_index.emplace(entry->name, Bucket{}).first;
    Bucket& bucket = it->second;
    const auto pos = std::upper_bound(bucket.begin(), bucket.end(), entry->m_rank,
                                      [](std::int64_t rank, const NameEntry* e) { return rank < e->m_rank; });
    bucket.insert(pos, entry);
}

void NameList::indexErase(NameEntry* entry) {
    const auto it = m_index.find(std::string_view(entry->name));
    if (it == m_index.end()) return;
    Bucket& bucket = it->second;
    bucket.erase(std::remove(bucket.begin(), bucket.end(), entry), bucket.end());
    if (bucket.empty()) m_index.erase(it);
}

}  // namespace tavik
