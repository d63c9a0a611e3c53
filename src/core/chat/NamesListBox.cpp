#include "chat/NamesListBox.h"

#include <algorithm>
#include <cstring>

#include "text/Text.h"

namespace tavik {

void NamesListBox::add(std::string_view name, std::string_view chatName) {
    const std::string_view cut = cutAtBlank(name);
    const std::size_t offset = m_bytes.size();
    const std::size_t size = cut.size() + 1 + chatName.size();
    m_bytes.resize(offset + size);
    char* out = m_bytes.data() + offset;
    if (!cut.empty()) std::memcpy(out, cut.data(), cut.size());
    out[cut.size()] = '@';
    if (!chatName.empty()) std::memcpy(out + cut.size() + 1, chatName.data(), chatName.size());
    m_spans.push_back({static_cast<std::uint32_t>(offset), static_cast<std::uint32_t>(size)});
    m_dirty = true;
    changed();
}

void NamesListBox::removeChat(std::string_view chatName) {
    const auto matches = [chatName](std::string_view e) {
        return e.size() > chatName.size() && e[e.size() - chatName.size() - 1] == '@' &&
               e.substr(e.size() - chatName.size()) == chatName;
    };
    // The entries that stay move down over those that go, in one pass.
    std::size_t kept = 0;
    std::size_t written = 0;
    for (const Span span : m_spans) {
        const std::string_view e(m_bytes.data() + span.offset, span.size);
        if (matches(e)) continue;
        if (written != span.offset) std::memmove(m_bytes.data() + written, e.data(), e.size());
        m_spans[kept++] = {static_cast<std::uint32_t>(written), span.size};
        written += span.size;
    }
    if (kept == m_spans.size()) return;
    m_spans.resize(kept);
    m_bytes.resize(written);
    m_dirty = true;
    changed();
}

void NamesListBox::clear() {
    if (m_spans.empty()) return;
    m_spans.clear();
    m_bytes.clear();
    m_dirty = true;
    changed();
}

std::span<const std::string> NamesListBox::entries() const {
    const std::size_t count = m_spans.size();
    if (m_dirty) {
        if (m_sorted.size() < count) m_sorted.resize(count);
        for (std::size_t i = 0; i < count; ++i)
            m_sorted[i].assign(m_bytes, m_spans[i].offset, m_spans[i].size);
        // A total order (ties broken by the bytes) keeps the result independent of insertion order.
        std::sort(m_sorted.begin(), m_sorted.begin() + static_cast<std::ptrdiff_t>(count),
                  [](const std::string& a, const std::string& b) {
                      const int c = compareIgnoreCase(a, b);
                      return c != 0 ? c < 0 : a < b;
                  });
        m_dirty = false;
    }
    return {m_sorted.data(), count};
}

int NamesListBox::selected() const {
    return m_selected < static_cast<int>(m_spans.size()) ? m_selected : -1;
}

void NamesListBox::select(int index) {
    if (index < -1 || index >= static_cast<int>(m_spans.size())) index = -1;
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
