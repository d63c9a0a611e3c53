#pragma once

// Text helpers for the engine's byte strings. All text in the engine is
// Windows-1252, one byte per character, as on the wire and in the files.

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace tavik {

namespace text_detail {
constexpr std::array<unsigned char, 256> makeLowerTable() {
    std::array<unsigned char, 256> t{};
    for (int i = 0; i < 256; ++i)
        t[static_cast<std::size_t>(i)] = static_cast<unsigned char>(i);
    for (int c = 'A'; c <= 'Z'; ++c)
        t[static_cast<std::size_t>(c)] = static_cast<unsigned char>(c + 32);
    for (int c = 0xC0; c <= 0xDE; ++c) {
        if (c != 0xD7) t[static_cast<std::size_t>(c)] = static_cast<unsigned char>(c + 32);
    }
    t[0x8A] = 0x9A;  // Š
    t[0x8C] = 0x9C;  // Œ
    t[0x8E] = 0x9E;  // Ž
    t[0x9F] = 0xFF;  // Ÿ
    return t;
}
inline constexpr std::array<unsigned char, 256> LowerTable = makeLowerTable();
}  // namespace text_detail

// Lower case of a Windows-1252 byte (A-Z, the accented capitals, Š Œ Ž Ÿ).
// Inline: sort keys and hashes lower every byte of a name.
inline unsigned char lowerByte(unsigned char c) {
    return text_detail::LowerTable[c];
}

// <0, 0, >0 like strcmp, comparing the lower-case forms.
int compareIgnoreCase(std::string_view a, std::string_view b);
// Case-insensitive hash consistent with equalsIgnoreCase.
std::size_t hashIgnoreCase(std::string_view s);

namespace text_detail {
inline std::uint64_t load64(const char* p) {
    std::uint64_t w = 0;
    std::memcpy(&w, p, 8);
    return w;
}
inline std::uint32_t load32(const char* p) {
    std::uint32_t w = 0;
    std::memcpy(&w, p, 4);
    return w;
}
constexpr std::uint64_t EveryByte = 0x0101010101010101ULL;
// The high bit of each zero byte of `x`, exact up to the first zero byte: a
// borrow runs only upwards, from a byte that is zero.
inline std::uint64_t zeroBytes(std::uint64_t x) {
    return (x - EveryByte) & ~x & (EveryByte << 7);
}
// Index of the first byte of `s` that `found` marks in a word of eight, or
// s.size(). The last word overlaps the one before it, its bytes seen already
// shifted out (they hold no match, so they lend no borrow).
template <typename Found>
inline std::size_t scanWords(std::string_view s, Found found) {
    const std::size_t n = s.size();
    const char* p = s.data();
    if constexpr (std::endian::native == std::endian::little) {
        constexpr std::uint64_t LowFour = 0x80808080U;  // the places of a word of four
        if (n >= 8) {
            std::size_t i = 0;
            for (; i + 8 <= n; i += 8) {
                if (const std::uint64_t z = found(load64(p + i))) return i + std::countr_zero(z) / 8;
            }
            if (i == n) return n;
            const std::uint64_t z = found(load64(p + n - 8)) >> (8 * (8 - (n - i)));
            return z != 0 ? i + std::countr_zero(z) / 8 : n;
        }
        if (n >= 4) {
            // Two words of four, the second overlapping the first.
            if (const std::uint64_t z = found(load32(p)) & LowFour) return std::countr_zero(z) / 8;
            const std::uint64_t z = (found(load32(p + n - 4)) & LowFour) >> (8 * (8 - n));
            return z != 0 ? 4 + std::countr_zero(z) / 8 : n;
        }
        if (n == 0) return 0;
        const auto byte = [p](std::size_t i) { return std::uint64_t{static_cast<unsigned char>(p[i])}; };
        std::uint64_t w = byte(0);
        if (n > 1) w |= byte(1) << 8;
        if (n > 2) w |= byte(2) << 16;
        const std::uint64_t z = found(w) & (LowFour >> (8 * (4 - n)));
        return z != 0 ? std::countr_zero(z) / 8 : n;
    } else {
        for (std::size_t i = 0; i < n; ++i) {
            // The byte alone, in the lowest place of a word: only that place counts.
            if ((found(static_cast<unsigned char>(p[i])) & 0x80U) != 0) return i;
        }
        return n;
    }
}
}  // namespace text_detail

// Whether `a` and `b` hold the same bytes. Inline, without a call: the names
// compared for every listed chatter are short.
inline bool sameBytes(std::string_view a, std::string_view b) {
    using text_detail::load32;
    using text_detail::load64;
    const std::size_t n = a.size();
    if (n != b.size()) return false;
    const char* p = a.data();
    const char* q = b.data();
    if (n >= 4 && n <= 12) {
        // The first, the middle and the last four bytes cover up to twelve.
        const std::size_t mid = (n - 4) / 2;
        return ((load32(p) ^ load32(q)) | (load32(p + mid) ^ load32(q + mid)) |
                (load32(p + n - 4) ^ load32(q + n - 4))) == 0;
    }
    if (n > 12) {
        for (std::size_t i = 0; i + 8 < n; i += 8) {
            if (load64(p + i) != load64(q + i)) return false;
        }
        return load64(p + n - 8) == load64(q + n - 8);
    }
    for (std::size_t i = 0; i < n; ++i) {
        if (p[i] != q[i]) return false;
    }
    return true;
}

bool equalsIgnoreCaseSlow(std::string_view a, std::string_view b);
// Texts compared ignoring case mostly match byte for byte, which is told inline.
inline bool equalsIgnoreCase(std::string_view a, std::string_view b) {
    return sameBytes(a, b) || equalsIgnoreCaseSlow(a, b);
}

// Copies the `n` bytes at `from` to `to` (which do not overlap), inline: a
// call to memcpy costs more than the few bytes of a name.
inline void copyBytes(char* to, const char* from, std::size_t n) {
    using text_detail::load32;
    using text_detail::load64;
    const auto store64 = [](char* p, std::uint64_t w) { std::memcpy(p, &w, 8); };
    const auto store32 = [](char* p, std::uint32_t w) { std::memcpy(p, &w, 4); };
    if (n >= 4 && n <= 12) {
        // The first, the middle and the last four bytes cover up to twelve.
        const std::size_t mid = (n - 4) / 2;
        const std::uint32_t head = load32(from);
        const std::uint32_t middle = load32(from + mid);
        const std::uint32_t tail = load32(from + n - 4);
        store32(to, head);
        store32(to + mid, middle);
        store32(to + n - 4, tail);
    } else if (n > 12) {
        if (n > 32) {
            std::memcpy(to, from, n);
            return;
        }
        // Words of eight, the last one overlapping the one before it.
        for (std::size_t i = 0; i + 8 < n; i += 8)
            store64(to + i, load64(from + i));
        store64(to + n - 8, load64(from + n - 8));
    } else {
        for (std::size_t i = 0; i < n; ++i)
            to[i] = from[i];
    }
}

// Index of the first `c` in `s`, or s.size(); eight bytes per step.
inline std::size_t indexOrEnd(std::string_view s, char c) {
    const std::uint64_t pattern = text_detail::EveryByte * static_cast<unsigned char>(c);
    return text_detail::scanWords(s,
                                  [pattern](std::uint64_t w) { return text_detail::zeroBytes(w ^ pattern); });
}
// Index of the first `c` or `d` in `s`, or s.size(); eight bytes per step.
inline std::size_t indexOrEnd(std::string_view s, char c, char d) {
    const std::uint64_t first = text_detail::EveryByte * static_cast<unsigned char>(c);
    const std::uint64_t second = text_detail::EveryByte * static_cast<unsigned char>(d);
    return text_detail::scanWords(s, [first, second](std::uint64_t w) {
        return text_detail::zeroBytes(w ^ first) | text_detail::zeroBytes(w ^ second);
    });
}

// `s` up to (not including) its first blank.
inline std::string_view cutAtBlank(std::string_view s) {
    return s.substr(0, indexOrEnd(s, ' '));
}
// At most `max` bytes of `s`.
inline std::string_view capped(std::string_view s, std::size_t max) {
    return s.size() > max ? s.substr(0, max) : s;
}

// Appends `value` in decimal.
void appendNumber(std::string& out, long value);

}  // namespace tavik

namespace tavik {

// Windows-1252 text as UTF-8 (for file names and the window system) and back.
// Characters Windows-1252 cannot hold become "?".
std::string utf8FromWindows1252(std::string_view text);
std::string windows1252FromUtf8(std::string_view text);

}  // namespace tavik
