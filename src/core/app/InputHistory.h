#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <string_view>

namespace tavik {

// The lines the user sent, for Ctrl+Up and Ctrl+Down: one history for the
// whole program, whichever session a line went to. The line being edited
// when the walk starts is kept as the newest entry and comes back at the
// walk's end, so nothing typed is lost by a look back.
class InputHistory {
public:
    static constexpr std::size_t MaxLines = 100;

    // A line the user sent (or that was kept back with a notice: it was meant
    // to be sent). The walk starts anew from the newest line. An empty line
    // and the same line twice in a row are kept once.
    void add(std::string_view line);

    // One line older; `editing` is the input line's text, kept when the walk
    // starts. Nothing when there is no older line.
    const std::string* older(std::string_view editing);
    // One line newer, or the line that was being edited at the walk's end.
    // Nothing when the walk is not under way.
    const std::string* newer();

    // The file's text: one line each, oldest first, Windows-1252 as sent.
    std::string text() const;
    // Lines from a file's text (CR LF or LF), at most the last MaxLines.
    void setText(std::string_view text);

    bool walking() const { return m_position < m_lines.size(); }
    std::size_t size() const { return m_lines.size(); }
    const std::deque<std::string>& lines() const { return m_lines; }  // oldest first

private:
    std::deque<std::string> m_lines;
    std::size_t m_position = 0;  // == size(): not walking
    std::string m_editing;
};

}  // namespace tavik
