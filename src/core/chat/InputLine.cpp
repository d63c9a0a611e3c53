#include "chat/InputLine.h"

#include <algorithm>

#include "text/Text.h"

namespace tavik {

namespace {

// The line is one line: a CR or LF that reaches it by any road (a paste the
// window did not split, a drop, an input method) becomes a blank, so nothing
// typed later can turn part of it into a line of its own on the wire.
std::string oneLine(std::string_view text) {
    std::string line(capped(text, InputLine::Limit));
    for (char& c : line) {
        if (c == '\r' || c == '\n') c = ' ';
    }
    return line;
}

}  // namespace

void InputLine::setText(std::string_view text) {
    m_text = oneLine(text);
    m_start = 0;
    m_end = 0;
    textChanged();
}

void InputLine::replaceRange(int start, int end, std::string_view text) {
    start = std::clamp(start, 0, length());
    end = std::clamp(end, start, length());
    std::string result = m_text.substr(0, static_cast<std::size_t>(start));
    result += text;
    result += std::string_view(m_text).substr(static_cast<std::size_t>(end));
    const int caret = std::min(start + static_cast<int>(text.size()), static_cast<int>(Limit));
    m_text = oneLine(result);
    m_start = std::min(caret, length());
    m_end = m_start;
    textChanged();
}

void InputLine::setSelection(int start, int end) {
    start = std::clamp(start, 0, length());
    end = std::clamp(end, 0, length());
    if (start > end) std::swap(start, end);
    if (start == m_start && end == m_end) return;
    m_start = start;
    m_end = end;
    notifyObservers();
}

void InputLine::edited(std::string_view text, int start, int end) {
    m_text = oneLine(text);
    m_start = std::clamp(std::min(start, end), 0, length());
    m_end = std::clamp(std::max(start, end), 0, length());
    textChanged();
}

void InputLine::textChanged() {
    notifyObservers();
    if (m_onChanged) m_onChanged();
}

void InputLine::notifyObservers() {
    for (InputLineObserver* o : m_observers)
        o->inputLineChanged();
}

void InputLine::removeObserver(InputLineObserver* observer) {
    m_observers.erase(std::remove(m_observers.begin(), m_observers.end(), observer), m_observers.end());
}

}  // namespace tavik
