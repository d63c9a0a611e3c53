#pragma once

#include <cstddef>

namespace tavik {

// Copies received bytes into a line without ANSI escape sequences and control
// characters, up to the first line feed, in one pass. "\e[" runs up to and
// including the next ASCII letter (or to the line's end when none follows); a
// lone escape loses only itself. The other bytes below 32 go; printable ASCII
// and the Windows-1252 letters 128-255 stay. One pass: the search for the line's end, the copy and
// the stripping look at each byte once. The bytes may come in pieces (the
// partial line, then the receive buffer); an escape sequence cut between two
// pieces goes on in the next.
class LineStripper {
public:
    // Where the stripper stands after a piece: in text, after an escape, or
    // inside a "\e[" sequence that goes on in the next piece.
    enum class State { Text, AfterEscape, InSequence };

    // `out` must hold as many bytes as all pieces together.
    explicit LineStripper(char* out) : m_out(out) {}
    // Goes on with a line whose first `length` bytes in `out` are the cleaned
    // pieces of another stripper that stopped in `state`.
    LineStripper(char* out, std::size_t length, State state) : m_out(out), m_length(length), m_state(state) {}

    // Takes `piece` up to its first line feed and returns the feed's index, or
    // `piece.size()` when it has none (the line goes on in the next piece).
    // With `slack`, the 16 bytes after the piece may be read (not used), and
    // `out` must hold 16 more bytes.
    std::size_t take(const char* piece, std::size_t size, bool slack = false);
    // The line's length so far.
    std::size_t length() const { return m_length; }
    State state() const { return m_state; }

private:
    char* m_out;
    std::size_t m_length = 0;
    State m_state = State::Text;
};

}  // namespace tavik
