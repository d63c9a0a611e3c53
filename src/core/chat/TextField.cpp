#include "chat/TextField.h"

#include "text/Text.h"

namespace tavik {

void TextField::setText(std::string_view text) {
    text = capped(text, m_limit);
    if (text == m_text) return;
    m_text.assign(text);
    if (m_onChanged) m_onChanged();
}

}  // namespace tavik
