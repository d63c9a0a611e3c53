#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace tavik {

// A one-line text control's content, cut to its limit (the recipient box: 99).
class TextField {
public:
    explicit TextField(std::size_t limit) : m_limit(limit) {}

    const std::string& text() const { return m_text; }
    std::size_t limit() const { return m_limit; }
    void setText(std::string_view text);
    void setOnChanged(std::function<void()> callback) { m_onChanged = std::move(callback); }

private:
    std::size_t m_limit;
    std::string m_text;
    std::function<void()> m_onChanged;
};

}  // namespace tavik
