#pragma once

#include <cstddef>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tavik {

// The sorted list of «name@chat» entries, one per chatter listed, that name
// completion works on. Entries are kept in reused strings and sorted when read,
// so rebuilding a chatter list of thousands of names costs no allocation.
class NamesListBox {
public:
    // Adds `name` (cut at its first blank) + "@" + `chatName`.
    void add(std::string_view name, std::string_view chatName);
    // Removes the entries of one chat (those ending in "@" + chatName, case counts).
    void removeChat(std::string_view chatName);
    void clear();

    std::size_t size() const { return m_count; }
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

    // Called after every change.
    void setOnChanged(std::function<void()> callback) { m_onChanged = std::move(callback); }

private:
    void changed();

    mutable std::vector<std::string> m_entries;  // [0, m_count) are live; the rest keep their capacity
    std::size_t m_count = 0;
    mutable bool m_dirty = false;
    int m_selected = -1;
    bool m_shown = false;
    std::function<void()> m_onChanged;
};

}  // namespace tavik
