#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tavik::fuzz {

// Reads a fuzzer's input front to back; past its end every byte is 0 and
// every piece empty, so a target never needs to check the length itself.
class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
    bool done() const { return m_pos >= m_size; }
    std::uint8_t byte() { return done() ? 0 : m_data[m_pos++]; }
    std::string_view take(std::size_t n) {
        n = std::min(n, m_size - m_pos);
        const std::string_view out(reinterpret_cast<const char*>(m_data + m_pos), n);
        m_pos += n;
        return out;
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

}  // namespace tavik::fuzz
