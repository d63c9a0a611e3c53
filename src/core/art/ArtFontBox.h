#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tavik {

// The art font selector: a sorted drop-down with an edit field. A non-empty
// edit field sends the next line as art with the selected font.
class ArtFontBox {
public:
    static constexpr std::size_t Limit = 249;

    const std::vector<std::string>& entries() const { return m_entries; }
    void setEntries(std::vector<std::string> entries);
    int selected() const { return m_selected; }
    const std::string& editText() const { return m_editText; }

    // Choosing an entry puts its name into the edit field.
    void select(int index);
    // Typing (or the program) sets the edit field; an entry of that name, if
    // any, becomes the selection, so the font drawn is the font named.
    void setEditText(std::string_view text);

    void setOnChanged(std::function<void()> callback) { m_onChanged = std::move(callback); }

private:
    void changed();

    std::vector<std::string> m_entries;
    int m_selected = -1;
    std::string m_editText;
    std::function<void()> m_onChanged;
};

}  // namespace tavik
