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
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Index of the first byte below 32 (escape, control byte, line feed) at or
// after `from`, or `length`. Sixteen bytes at a time where the processor has
// SSE2 (every x86-64 one), else eight: a word holds such a byte exactly when
// (word - 0x20 in every byte) & ~word has a bit 7 set (bytes of 128 and above
// are masked out by ~word; a borrow only ever starts at a byte below 32).
std::size_t nextControl(const char* text, std::size_t from, std::size_t length) {
    std::size_t i = from;
#if defined(__SSE2__)
    const __m128i limit = _mm_set1_epi8(31);
    while (i + 16 <= length) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i));
        // min(b, 31) == b exactly for the bytes 0..31.
        const int below = _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_min_epu8(block, limit), block));
        if (below != 0) return i + static_cast<std::size_t>(std::countr_zero(static_cast<unsigned>(below)));
        i += 16;
    }
#endif
    constexpr std::uint64_t Ones = 0x0101010101010101ULL;
    constexpr std::uint64_t High = 0x8080808080808080ULL;
    while (i + 8 <= length) {
        std::uint64_t word = 0;
        std::memcpy(&word, text + i, 8);
        if (((word - Ones * 32) & ~word & High) != 0) break;
        i += 8;
    }
    while (i < length && static_cast<unsigned char>(text[i]) >= 32)
        ++i;
    return i;
}

}  // namespace

std::size_t stripEscapes(char* text, std::size_t length) {
    // Runs of printable bytes are moved as a whole; only the bytes below 32
    // are looked at one by one.
    std::size_t read = nextControl(text, 0, length);
    std::size_t write = read;
    while (read < length) {
        const auto c = static_cast<unsigned char>(text[read]);
        if (c == 27) {
            ++read;
            if (read < length && text[read] == '[') {
                ++read;
                while (read < length && !isAsciiLetter(static_cast<unsigned char>(text[read])))
                    ++read;
                if (read < length) ++read;  // the final letter
            }
        } else if (c == '\n') {
            text[write++] = text[read++];
        } else {
            ++read;  // a control byte
        }
        const std::size_t next = nextControl(text, read, length);
        if (next > read) {
            std::memmove(text + write, text + read, next - read);
            write += next - read;
            read = next;
        }
    }
    return write;
}

std::size_t LineStripper::take(const char* piece, std::size_t size) {
    // Locals, not members: stores through `out` could otherwise touch them.
    char* const out = m_out;
    std::size_t length = m_length;
    State state = m_state;
    std::size_t i = 0;
    std::size_t end = size;
    for (;;) {
        if (state == State::Text) {
            // Printable runs go over sixteen bytes at a time. A block is stored
            // whole even when only its first bytes count: the output never runs
            // ahead of the input, so the block fits where the input has it.
            bool control = false;
#if defined(__SSE2__)
            const __m128i limit = _mm_set1_epi8(31);
            while (i + 16 <= size) {
                const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(piece + i));
                _mm_storeu_si128(reinterpret_cast<__m128i*>(out + length), block);
                const int below = _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_min_epu8(block, limit), block));
                if (below != 0) {
                    const auto run = static_cast<std::size_t>(std::countr_zero(static_cast<unsigned>(below)));
                    length += run;
                    i += run;
                    control = true;
                    break;
                }
                length += 16;
                i += 16;
            }
#endif
            if (!control) {
                while (i < size && static_cast<unsigned char>(piece[i]) >= 32)
                    out[length++] = piece[i++];
                if (i == size) break;
            }
            const char c = piece[i];
            if (c == '\n') {
                end = i;
                break;
            }
            if (c == '\r' && i + 1 < size && piece[i + 1] == '\n') {
                end = i + 1;  // the usual line end, found without another pass
                break;
            }
            if (c == 27) state = State::AfterEscape;
            ++i;  // the escape or a control byte goes
            continue;
        }
        if (i == size) break;
        const auto c = static_cast<unsigned char>(piece[i]);
        if (state == State::AfterEscape) {
            // "[" starts a sequence; any other byte is text again and is looked at as such.
            if (c == '[') {
                state = State::InSequence;
                ++i;
            } else {
                state = State::Text;
            }
            continue;
        }
        // A sequence runs up to and including the next ASCII letter, never past the line's end.
        if (c == '\n') {
            end = i;
            break;
        }
        ++i;
        if (isAsciiLetter(c)) state = State::Text;
    }
    m_length = length;
    m_state = state;
    return end;
}

void stripEscapes(std::string& text) {
    text.resize(stripEscapes(text.data(), text.size()));
}

}  // namespace tavik
