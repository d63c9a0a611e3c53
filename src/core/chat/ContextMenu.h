#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tavik {

// The chatter context menu («name@chat ignorieren.», « zum ChatWatch hinzufügen.»):
// its entries are rebuilt before every use.
class ContextMenu {
public:
    struct Entry {
        int command = 0;
        std::string label;
        bool operator==(const Entry&) const = default;
    };

    ContextMenu();

    const std::vector<Entry>& entries() const { return m_entries; }
    void append(int command, std::string_view label) { m_entries.push_back({command, std::string(label)}); }
    // Deletes the first two entries by position, before the menu is filled anew.
    void trim();

private:
    std::vector<Entry> m_entries;
};

}  // namespace tavik
