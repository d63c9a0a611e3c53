#include "app/Text.h"

#include <array>
#include <charconv>

namespace tavik {

namespace {

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

constexpr std::array<unsigned char, 256> LowerTable = makeLowerTable();

}  // namespace

unsigned char lowerByte(unsigned char c) {
    return LowerTable[c];
}

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (LowerTable[static_cast<unsigned char>(a[i])] != LowerTable[static_cast<unsigned char>(b[i])]) {
            return false;
        }
    }
    return true;
}

int compareIgnoreCase(std::string_view a, std::string_view b) {
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
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

std::string_view cutAtBlank(std::string_view s) {
    const auto blank = s.find(' ');
    return blank == std::string_view::npos ? s : s.substr(0, blank);
}

std::string_view capped(std::string_view s, std::size_t max) {
    return s.size() > max ? s.substr(0, max) : s;
}

void appendNumber(std::string& out, long value) {
    std::array<char, 24> buf{};
    const auto res = std::to_chars(buf.data(), buf.data() + buf.size(), value);
    out.append(buf.data(), res.ptr);
}

}  // namespace tavik
