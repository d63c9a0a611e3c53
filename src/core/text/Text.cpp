#include "text/Text.h"

#include <array>
#include <charconv>
#include <cstring>

namespace tavik {

namespace {
using text_detail::LowerTable;
}  // namespace

bool equalsIgnoreCaseSlow(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    // Eight bytes that are equal need no table.
    std::size_t i = 0;
    for (; i + 8 <= a.size(); i += 8) {
        if (std::memcmp(a.data() + i, b.data() + i, 8) == 0) continue;
        for (std::size_t j = i; j < i + 8; ++j) {
            if (LowerTable[static_cast<unsigned char>(a[j])] !=
                LowerTable[static_cast<unsigned char>(b[j])]) {
                return false;
            }
        }
    }
    // The last eight bytes, overlapping those compared, when they match exactly.
    if (i < a.size() && a.size() >= 8 &&
        std::memcmp(a.data() + a.size() - 8, b.data() + b.size() - 8, 8) == 0)
        return true;
    for (; i < a.size(); ++i) {
        if (LowerTable[static_cast<unsigned char>(a[i])] != LowerTable[static_cast<unsigned char>(b[i])]) {
            return false;
        }
    }
    return true;
}

int compareIgnoreCase(std::string_view a, std::string_view b) {
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    // A common beginning that matches byte for byte is skipped eight bytes at a time.
    std::size_t i = 0;
    while (i + 8 <= n && std::memcmp(a.data() + i, b.data() + i, 8) == 0)
        i += 8;
    for (; i < n; ++i) {
        const int ca = LowerTable[static_cast<unsigned char>(a[i])];
        const int cb = LowerTable[static_cast<unsigned char>(b[i])];
        if (ca != cb) return ca - cb;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

std::size_t hashIgnoreCase(std::string_view s) {
    // FNV-1a over the lower-case bytes.
    std::size_t h = 1469598103934665603ULL;
    for (const char c : s) {
        h ^= LowerTable[static_cast<unsigned char>(c)];
        h *= 1099511628211ULL;
    }
    return h;
}

void appendNumber(std::string& out, long value) {
    std::array<char, 24> buf{};
    const auto res = std::to_chars(buf.data(), buf.data() + buf.size(), value);
    out.append(buf.data(), res.ptr);
}

}  // namespace tavik

namespace tavik {

namespace {

// Code points of 0x80-0x9F in Windows-1252; 0 where the byte is undefined.
constexpr std::array<char32_t, 32> HighControls = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char32_t codePoint(unsigned char c) {
    if (c >= 0x80 && c <= 0x9F) {
        const char32_t cp = HighControls[c - 0x80U];
        return cp != 0 ? cp : c;
    }
    return c;
}

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

char fromCodePoint(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<char>(cp);
    for (std::size_t i = 0; i < HighControls.size(); ++i) {
        if (HighControls[i] == cp) return static_cast<char>(0x80 + i);
    }
    if (cp >= 0x80 && cp <= 0x9F) return static_cast<char>(cp);
    return '?';
}

}  // namespace

std::string utf8FromWindows1252(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text)
        appendUtf8(out, codePoint(static_cast<unsigned char>(c)));
    return out;
}

std::string windows1252FromUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        std::size_t len = 1;
        char32_t cp = c;
        if (c >= 0xF0 && c <= 0xF4) {
            len = 4;
            cp = c & 0x07U;
        } else if (c >= 0xE0) {
            len = 3;
            cp = c & 0x0FU;
        } else if (c >= 0xC2 && c < 0xE0) {
            len = 2;
            cp = c & 0x1FU;
        } else if (c >= 0x80) {
            out.push_back('?');  // a stray continuation or invalid lead byte
            ++i;
            continue;
        }
        if (i + len > text.size()) {
            out.push_back('?');
            break;
        }
        bool valid = true;
        for (std::size_t k = 1; k < len; ++k) {
            const auto cc = static_cast<unsigned char>(text[i + k]);
            if ((cc & 0xC0U) != 0x80U) valid = false;
            cp = (cp << 6) | (cc & 0x3FU);
        }
        out.push_back(valid ? fromCodePoint(cp) : '?');
        i += valid ? len : 1;
    }
    return out;
}

}  // namespace tavik
