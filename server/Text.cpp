#include "Text.h"

#include <cstdio>

namespace tavik::server {

namespace {
constexpr unsigned char kCCedilla = 0xE7;  // "ç" in Windows-1252

char lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}
}  // namespace

bool isNickChar(unsigned char c) {
    if (c == kCCedilla) return true;
    if (c < 33 || c > 126) return false;
    switch (c) {
        case '#':
        case '$':
        case '(':
        case ')':
        case ',':
        case '@':
        case '|':
        case '~':
        case '<':
        case '>':
        case '*':
        case ':':
            return false;
        default:
            return true;
    }
}

NickCheck checkNick(std::string_view nick) {
    if (nick.empty() || nick.size() > kMaxNickLength) return NickCheck::BadLength;
    // A leading "/" would read as a command, a leading "-" or "+" would look like
    // an event or a list frame in the client's view of a line that starts with it.
    if (nick.front() == '/' || nick.front() == '-' || nick.front() == '+') return NickCheck::BadChars;
    for (char c : nick) {
        if (!isNickChar(static_cast<unsigned char>(c))) return NickCheck::BadChars;
    }
    return NickCheck::Ok;
}

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

void appendPublicLine(std::string& out, std::string_view nick, std::string_view text) {
    out.append(ansi::kBold).append("<").append(nick).append(">").append(ansi::kOff);
    out.append(" ").append(ansi::kGreen).append(text).append(ansi::kOff);
}

std::string publicLine(std::string_view nick, std::string_view text) {
    std::string line;
    appendPublicLine(line, nick, text);
    return line;
}

void appendWhisperLine(std::string& out, std::string_view from, std::string_view text) {
    out.append(ansi::kBold).append("<*").append(from).append("*>").append(ansi::kOff);
    out.append(" ").append(ansi::kMagenta).append(text).append(ansi::kOff);
}

std::string whisperLine(std::string_view from, std::string_view text) {
    std::string line;
    appendWhisperLine(line, from, text);
    return line;
}

std::string whisperEcho(std::string_view to, std::string_view text) {
    // The echo stays undecorated at its start: clients recognise it by "/w".
    std::string line = "/w ";
    line.append(to).append(" ").append(ansi::kMagenta).append(text).append(ansi::kOff);
    return line;
}

void appendEventLine(std::string& out, std::string_view nick, std::string_view text) {
    out.append(ansi::kCyan).append("--> ").append(ansi::kBold).append(nick).append(ansi::kOff);
    out.append(ansi::kCyan).append(" ").append(text).append(ansi::kOff);
}

std::string eventLine(std::string_view nick, std::string_view text) {
    std::string line;
    appendEventLine(line, nick, text);
    return line;
}

void appendNoticeLine(std::string& out, std::string_view text) {
    out.append(ansi::kRed).append(">>> ").append(text).append(ansi::kOff);
}

std::string noticeLine(std::string_view text) {
    std::string line;
    appendNoticeLine(line, text);
    return line;
}

std::string renameLine(std::string_view oldNick, std::string_view newNick) {
    std::string line;
    line.append(ansi::kYellow).append(">-> ").append(ansi::kBold).append(oldNick).append(ansi::kOff);
    line.append(ansi::kYellow).append(" wird zu ").append(ansi::kBold).append(newNick).append(ansi::kOff);
    line.append(ansi::kYellow).append(".").append(ansi::kOff);
    return line;
}

std::string cleanInput(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        auto u = static_cast<unsigned char>(c);
        if (u >= 32 && u != 127) out.push_back(c);
    }
    return out;
}

std::string escapeBytes(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (char c : bytes) {
        auto u = static_cast<unsigned char>(c);
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (u >= 32 && u < 127) {
                    out.push_back(c);
                } else {
                    char hex[8];
                    std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned>(u));
                    out += hex;
                }
        }
    }
    return out;
}

std::string unescapeBytes(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c != '\\' || i + 1 == text.size()) {
            out.push_back(c);
            continue;
        }
        char next = text[++i];
        switch (next) {
            case 'e':
                out.push_back('\x1b');
                break;
            case 'r':
                out.push_back('\r');
                break;
            case 'n':
                out.push_back('\n');
                break;
            case 't':
                out.push_back('\t');
                break;
            case '0':
                out.push_back('\0');
                break;
            case 'x':
                if (i + 2 < text.size() && hexValue(text[i + 1]) >= 0 && hexValue(text[i + 2]) >= 0) {
                    out.push_back(static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2])));
                    i += 2;
                } else {
                    out += "\\x";
                }
                break;
            default:
                out.push_back(next);
        }
    }
    return out;
}

}  // namespace tavik::server
