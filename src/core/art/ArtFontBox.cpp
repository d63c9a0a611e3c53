#include "art/ArtFontBox.h"

#include "text/Text.h"

namespace tavik {

void ArtFontBox::setEntries(std::vector<std::string> entries) {
    m_entries = std::move(entries);
    m_selected = -1;
    changed();
}

void ArtFontBox::select(int index) {
    if (index < -1 || index >= static_cast<int>(m_entries.size())) index = -1;
    m_selected = index;
    m_editText = index >= 0 ? m_entries[static_cast<std::size_t>(index)] : std::string();
    changed();
}

void ArtFontBox::setEditText(std::string_view text) {
    m_editText.assign(capped(text, Limit));
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        if (equalsIgnoreCase(m_entries[i], m_editText)) {
            m_selected = static_cast<int>(i);
            break;
        }
    }
    changed();
}

void ArtFontBox::changed() {
    if (m_onChanged) m_onChanged();
}

}  // namespace tavik
