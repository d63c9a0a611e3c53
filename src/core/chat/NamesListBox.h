#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "text/Text.h"

namespace tavik {

// The sorted list of «name@chat» entries, one per chatter listed, that name
// completion works on. The names are written back to back into one buffer in
// the order they come, each with the index of its chat, and made into sorted
// «name@chat» strings only when read, so rebuilding a chatter list of
// thousands of names costs no allocation and writes one stretch of memory.
class NamesListBox {
public:
    // Adds `name` (cut at its first blank) + "@" + `chatName`.
    void add(std::string_view name, std::string_view chatName) { addName(cutAtBlank(name), chatName); }
    // As add, for a name that holds no blank.
    void addName(std::string_view name, std::string_view chatName);
    // Removes the entries of one chat (those ending in "@" + chatName, case counts).
    void removeChat(std::string_view chatName);
    void clear();

    std::size_t size() const { return m_spans.size(); }
    // The entries in list-box order (ignoring case).
    std::span<const std::string> entries() const;

    // The selected entry's index in list-box order, or -1.
    int selected() const;
    void select(int index);
    // The first entry that begins with `prefix`, ignoring case, or -1.
    int findPrefix(std::string_view prefix) const;

    // Shown in place of the chatter tree while a completion is open.
    bool shown() const { return m_shown; }
    void setShown(bool shown);

    // Called after every change, or once for all the changes of a hold.
    void setOnChanged(std::function<void()> callback) { m_onChanged = std::move(callback); }
    // While held (holds nest), changes are only noted; the last release tells
    // of them once. A chatter list of thousands of names read in one go is
    // then one change for whoever shows the entries, not one per name, each
    // of which would sort them all.
    void holdChanges() { ++m_holds; }
    void releaseChanges() {
        if (m_holds == 0 || --m_holds != 0 || !m_changedWhileHeld) return;
        m_changedWhileHeld = false;
        changed();
    }

private:
    void changed() {
        if (m_holds > 0) {
            m_changedWhileHeld = true;
            return;
        }
        if (m_onChanged) m_onChanged();
    }

    // Where an entry's name stands in m_bytes, and its chat (an index of m_chats).
    struct Span {
        std::uint32_t offset;
        std::uint32_t size;
        std::uint32_t chat;
    };
    std::uint32_t chatIndex(std::string_view chatName) {
        // A list names one chat entry after entry.
        if (m_lastChat < m_chats.size() && sameBytes(m_chats[m_lastChat], chatName)) [[likely]]
            return m_lastChat;
        return findChat(chatName);
    }
    std::uint32_t findChat(std::string_view chatName);

    std::vector<char> m_bytes;  // the names back to back, in the order they came; [0, m_used) hold them
    std::size_t m_used = 0;
    std::vector<Span> m_spans;         // one per entry, in the same order
    std::vector<std::string> m_chats;  // the chats of the entries
    std::uint32_t m_lastChat = 0;      // the chat the last entry named
    // The entries as strings in list-box order, made when read after a change;
    // strings past the count keep their capacity.
    mutable std::vector<std::string> m_sorted;
    mutable bool m_dirty = false;
    int m_selected = -1;
    bool m_shown = false;
    int m_holds = 0;
    bool m_changedWhileHeld = false;
    std::function<void()> m_onChanged;
};

}  // namespace tavik
