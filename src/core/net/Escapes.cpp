#include "net/Escapes.h"

namespace tavik {

namespace {
bool isAsciiLetter(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool isRemovedControl(unsigned char c) {
    return c < 32 && c != '\n';
}
}  // namespace

std::size_t stripEscapes(char* text, std::size_t length) {
    std::size_t write = 0;
    std::size_t read = 0;
    while (read < length) {
        auto c = static_cast<unsigned char>(text[read]);
        if (c == 27) {
            ++read;
            if (read < length && text[read] == '[') {
                ++read;
                while (read < length && !isAsciiLetter(static_cast<unsigned char>(text[read])))
                    ++read;
                if (read < length) ++read;  // the final letter
            }
            continue;
        }
        if (isRemovedControl(c)) {
            ++read;
            continue;
        }
        text[write++] = text[read++];
    }
    return write;
}

void stripEscapes(std::string& text) {
    text.resize(stripEscapes(text.data(), text.size()));
}

}  // namespace tavik
