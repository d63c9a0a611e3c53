#include "chat/NamesListBox.h"

#include <algorithm>
#include <cstring>

#include "text/Text.h"

namespace tavik {

void NamesListBox::add(std::string_view name, std::string_view chatName) {
    if (m_count == m_entries.size()) m_entries.emplace_back();
    std::string& e = m_entries[m_count++];
    // Written in place: the reused string keeps its buffer.
    const std::string_view cut = cutAtBlank(name);
    e.resize(cut.size() + 1 + chatName.size());
    char* out = e.data();
    if (!cut.empty()) std::memcpy(out, cut.data(), cut.size());
    out[cut.size()] = '@';
    if (!chatName.empty()) std::memcpy(out + cut.size() + 1, chatName.data(), chatName.size());
    m_dirty = true;
    changed();
}

void NamesListBox::removeChat(std::string_view chatName) {
    const auto matches = [chatName](const std::string& e) {
        return e.size() > chatName.size() && e[e.size() - chatName.size() - 1] == '@' &&
               std::string_view(e).substr(e.size() - chatName.size()) == chatName;
    };
    std::size_t kept = 0;
    for (std::size_t i = 0; i < m_count; ++i) {
        if (!matches(m_entries[i])) {
            if (kept != i) std::swap(m_entries[kept], m_entries[i]);
            ++kept;
        }
    }
    if (kept == m_count) return;
    m_count = kept;
    changed();
}

void NamesListBox::clear() {
    if (m_count == 0) return;
    m_count = 0;
    changed();
}

std::span<const std::string> NamesListBox::entries() const {
    if (m_dirty) {
        // A total order (ties broken by the bytes) keeps the result independent of insertion order.
        std::sort(m_entries.begin(), m_entries.begin() + static_cast<std::ptrdiff_t>(m_count),
                  [](const std::string& a, const std::string& b) {
                      const int c = compareIgnoreCase(a, b);
                      return c != 0 ? c < 0 : a < b;
                  });
        m_dirty = false;
    }
    return {m_entries.data(), m_count};
}

int NamesListBox::selected() const {
    return m_selected < static_cast<int>(m_count) ? m_selected : -1;
}

void NamesListBox::select(int index) {
    if (index < -1 || index >= static_cast<int>(m_count)) index = -1;
    if (index == m_selected) return;
    m_selected = index;
    changed();
}

int NamesListBox::findPrefix(std::string_view prefix) const {
    const auto all = entries();
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (all[i].size() >= prefix.size() &&
            equalsIgnoreCase(std::string_view(all[i]).substr(0, prefix.size()), prefix)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void NamesListBox::setShown(bool shown) {
    if (shown == m_shown) return;
    m_shown = shown;
    changed();
}

void NamesListBox::changed() {
    if (m_onChanged) m_onChanged();
}

}  // namespace tavik
