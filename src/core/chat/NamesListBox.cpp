#include "chat/NamesListBox.h"

#include <algorithm>
#include <cstring>

#include "text/Text.h"

namespace tavik {

std::uint32_t NamesListBox::findChat(std::string_view chatName) {
    const auto known = std::find(m_chats.begin(), m_chats.end(), chatName);
    m_lastChat = static_cast<std::uint32_t>(known - m_chats.begin());
    if (known == m_chats.end()) m_chats.emplace_back(chatName);
    return m_lastChat;
}

void NamesListBox::addName(std::string_view name, std::string_view chatName) {
    // Only the name is written; "@" and the chat are added when the entries are read.
    const std::size_t size = name.size();
    if (m_used + size > m_bytes.size()) m_bytes.resize(std::max(2 * m_bytes.size(), m_used + size + 4096));
    copyBytes(m_bytes.data() + m_used, name.data(), size);
    m_spans.push_back(
        {static_cast<std::uint32_t>(m_used), static_cast<std::uint32_t>(size), chatIndex(chatName)});
    m_used += size;
    m_dirty = true;
    changed();
}

void NamesListBox::removeChat(std::string_view chatName) {
    const auto known = std::find(m_chats.begin(), m_chats.end(), chatName);
    if (known == m_chats.end()) return;
    const auto chat = static_cast<std::uint32_t>(known - m_chats.begin());
    // The entries that stay move down over those that go, in one pass.
    std::size_t kept = 0;
    std::size_t written = 0;
    for (const Span span : m_spans) {
        if (span.chat == chat) continue;
        if (written != span.offset)
            std::memmove(m_bytes.data() + written, m_bytes.data() + span.offset, span.size);
        m_spans[kept++] = {static_cast<std::uint32_t>(written), span.size, span.chat};
        written += span.size;
    }
    if (kept == m_spans.size()) return;
    m_spans.resize(kept);
    m_used = written;
    m_dirty = true;
    changed();
}

void NamesListBox::clear() {
    if (m_spans.empty()) return;
    m_spans.clear();
    m_used = 0;
    m_dirty = true;
    changed();
}

std::span<const std::string> NamesListBox::entries() const {
    const std::size_t count = m_spans.size();
    if (m_dirty) {
        if (m_sorted.size() < count) m_sorted.resize(count);
        for (std::size_t i = 0; i < count; ++i) {
            const Span span = m_spans[i];
            std::string& entry = m_sorted[i];
            entry.assign(m_bytes.data() + span.offset, span.size);
            entry += '@';
            entry += m_chats[span.chat];
        }
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

}  // namespace tavik
