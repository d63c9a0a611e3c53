#include "net/Escapes.h"

#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tavik {

namespace {

bool isAsciiLetter(unsigned char c) {
    return static_cast<unsigned char>((c | 0x20) - 'a') < 26;
}

// Copies the printable bytes of `piece` from `i` on to `out` + `length` and
// stops at the first byte below 32 (escape, control byte, line feed) or at
// the end. Sixteen bytes at a time where the processor has SSE2 (every x86-64
// one), then eight: a word holds such a byte exactly when (word - 0x20 in
// every byte) & ~word has a bit 7 set (bytes of 128 and above are masked out
// by ~word; a borrow only ever starts at a byte below 32, so the lowest marked
// byte is the first such byte). Blocks are stored whole even when only their
// first bytes count: the output never runs ahead of the input, so a block
// fits where the input has it.
void copyText(const char* piece, std::size_t size, bool slack, char* out, std::size_t& i,
              std::size_t& length) {
#if defined(__SSE2__)
    const __m128i limit = _mm_set1_epi8(31);
    // With slack, the last block may reach past the end, which then counts as a stop.
    const std::size_t blocksEnd = slack ? size + 16 : size;
    while (i + 16 <= blocksEnd) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(piece + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + length), block);
        // min(b, 31) == b exactly for the bytes 0..31.
        auto below =
            static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_min_epu8(block, limit), block)));
        if (i + 16 > size) below |= 1U << (size - i);
        if (below != 0) {
            const auto run = static_cast<std::size_t>(std::countr_zero(below));
            length += run;
            i += run;
            return;
        }
        length += 16;
        i += 16;
    }
#else
    static_cast<void>(slack);
#endif
    constexpr std::uint64_t Ones = 0x0101010101010101ULL;
    constexpr std::uint64_t High = 0x8080808080808080ULL;
    while (i + 8 <= size) {
        std::uint64_t word = 0;
        std::memcpy(&word, piece + i, 8);
        std::memcpy(out + length, &word, 8);
        const std::uint64_t below = (word - Ones * 32) & ~word & High;
        if (below != 0) {
            const auto run = static_cast<std::size_t>(std::countr_zero(below) / 8);
            length += run;
            i += run;
            return;
        }
        length += 8;
        i += 8;
    }
    while (i < size && static_cast<unsigned char>(piece[i]) >= 32)
        out[length++] = piece[i++];
}

// Skips an escape sequence's bytes up to and including the next ASCII letter.
// Stops at a line feed or at the end; returns whether the letter was met.
bool skipSequence(const char* piece, std::size_t size, std::size_t& i) {
    while (i < size) {
        const auto c = static_cast<unsigned char>(piece[i]);
        if (c == '\n') return false;
        ++i;
        if (isAsciiLetter(c)) return true;
    }
    return false;
}

}  // namespace

std::size_t LineStripper::take(const char* piece, std::size_t size, bool slack) {
    // Locals, not members: stores through `out` could otherwise touch them.
    char* const out = m_out;
    std::size_t length = m_length;
    std::size_t i = 0;
    std::size_t end = size;

    // A sequence cut off at the end of the last piece goes on here.
    if (m_state == State::AfterEscape && i < size) {
        m_state = State::Text;
        if (piece[i] == '[') {
            ++i;
            m_state = State::InSequence;
        }
    }
    if (m_state == State::InSequence) {
        if (!skipSequence(piece, size, i)) return i < size ? i : size;
        m_state = State::Text;
    }
    if (m_state != State::Text) return size;

    for (;;) {
        copyText(piece, size, slack, out, i, length);
        if (i == size) break;
        const char c = piece[i];
        if (c == '\r' && i + 1 < size && piece[i + 1] == '\n') {
            end = i + 1;  // the usual line end
            break;
        }
        if (c == '\n') {
            end = i;
            break;
        }
        ++i;  // the escape or a control byte goes
        if (c != 27) continue;
        // "[" starts a sequence; any other byte after an escape is text again.
        if (i == size) {
            m_state = State::AfterEscape;
            break;
        }
        if (piece[i] != '[') continue;
        ++i;
        if (!skipSequence(piece, size, i)) {
            if (i < size) {
                end = i;  // the line feed ends the line inside the sequence
            } else {
                m_state = State::InSequence;
            }
            break;
        }
    }
    m_length = length;
    return end;
}

}  // namespace tavik
