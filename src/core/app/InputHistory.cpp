#include "app/InputHistory.h"

namespace tavik {

void InputHistory::add(std::string_view line) {
    if (!line.empty() && (m_lines.empty() || m_lines.back() != line)) {
        m_lines.emplace_back(line);
        if (m_lines.size() > MaxLines) m_lines.pop_front();
    }
    m_position = m_lines.size();
    m_editing.clear();
}

const std::string* InputHistory::older(std::string_view editing) {
    if (m_position == 0) return nullptr;
    if (!walking()) m_editing.assign(editing);
    return &m_lines[--m_position];
}

const std::string* InputHistory::newer() {
    if (!walking()) return nullptr;
    ++m_position;
    return walking() ? &m_lines[m_position] : &m_editing;
}

}  // namespace tavik
