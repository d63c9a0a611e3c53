#include "chat/ContextMenu.h"

namespace tavik {

ContextMenu::ContextMenu() {
    append(32816, "&Ignorieren");
    append(32817, "zu &ChatWatch hinzuf\xFCgen");
}

void ContextMenu::trim() {
    for (int i = 0; i < 2 && !m_entries.empty(); ++i)
        m_entries.erase(m_entries.begin());
}

}  // namespace tavik
