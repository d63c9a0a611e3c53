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

std::string InputHistory::text() const {
    std::string out;
    for (const std::string& line : m_lines) {
        out += line;
        out += '\n';
    }
    return out;
}

void InputHistory::setText(std::string_view text) {
    m_lines.clear();
    while (!text.empty()) {
        const auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        // Nothing from a file ever holds a line break inside the input line.
        if (line.find('\r') != std::string_view::npos) continue;
        add(line);
    }
    m_position = m_lines.size();
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
