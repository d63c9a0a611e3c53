#include "chat/RowText.h"

#include "chat/LogFile.h"
#include "chat/MessageView.h"
#include "platform/FileNames.h"
#include "platform/Files.h"
#include "text/Text.h"

namespace tavik {

namespace {

bool startsWithIgnoringCase(std::string_view text, std::size_t at, std::string_view lowerPrefix) {
    if (text.size() - at < lowerPrefix.size()) return false;
    for (std::size_t i = 0; i < lowerPrefix.size(); ++i) {
        if (lowerByte(static_cast<unsigned char>(text[at + i])) != static_cast<unsigned char>(lowerPrefix[i]))
            return false;
    }
    return true;
}

bool isAsciiAlnum(unsigned char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Bytes an address runs on over: printable ASCII without the ones that
// delimit it in running text.
bool isAddressByte(unsigned char c) {
    if (c <= 0x20 || c >= 0x7F) return false;
    switch (c) {
        case '<':
        case '>':
        case '"':
        case '`':
        case '{':
        case '}':
        case '|':
        case '\\':
        case '^':
            return false;
        default:
            return true;
    }
}

// The length of the address starting at `at`, or 0 when none starts there.
std::size_t addressAt(std::string_view text, std::size_t at) {
    std::size_t prefix = 0;
    if (startsWithIgnoringCase(text, at, "http://")) {
        prefix = 7;
    } else if (startsWithIgnoringCase(text, at, "https://")) {
        prefix = 8;
    } else if (startsWithIgnoringCase(text, at, "www.")) {
        prefix = 4;
    } else {
        return 0;
    }
    // At the start of a word only: "xhttp://" and "awww." are none.
    if (at > 0) {
        const auto before = static_cast<unsigned char>(text[at - 1]);
        if (isAsciiAlnum(before) || before == '.' || before == '/' || before == '@' || before == '-' ||
            before == '_' || before >= 0x80)
            return 0;
    }
    // A host must follow.
    if (at + prefix >= text.size() || !isAsciiAlnum(static_cast<unsigned char>(text[at + prefix]))) return 0;
    std::size_t end = at + prefix;
    int open = 0;
    int close = 0;
    while (end < text.size() && isAddressByte(static_cast<unsigned char>(text[end]))) {
        if (text[end] == '(') ++open;
        if (text[end] == ')') ++close;
        ++end;
    }
    // What ends the sentence is not the address's.
    while (end > at + prefix) {
        const char last = text[end - 1];
        if (last == ')' && close > open) {
            --close;
        } else if (last == ']' || last == '}' || last == '.' || last == ',' || last == ';' || last == ':' ||
                   last == '!' || last == '?' || last == '\'' || last == '"') {
        } else {
            break;
        }
        --end;
    }
    return end - at;
}

}  // namespace

std::vector<TextRange> findLinks(std::string_view text) {
    std::vector<TextRange> links;
    for (std::size_t at = 0; at < text.size();) {
        const char c = text[at];
        if (c == 'h' || c == 'H' || c == 'w' || c == 'W') {
            if (const std::size_t length = addressAt(text, at); length > 0) {
                links.push_back({at, length});
                at += length;
                continue;
            }
        }
        ++at;
    }
    return links;
}

TextRange linkAt(std::string_view text, std::size_t at) {
    for (const TextRange& link : findLinks(text)) {
        if (at >= link.begin && at < link.begin + link.length) return link;
    }
    return {};
}

std::string linkTarget(std::string_view link) {
    if (startsWithIgnoringCase(link, 0, "www.")) return "http://" + std::string(link);
    return std::string(link);
}

std::vector<TextRange> findMatches(std::string_view text, std::string_view needle) {
    std::vector<TextRange> found;
    if (needle.empty() || needle.size() > text.size()) return found;
    const auto first = lowerByte(static_cast<unsigned char>(needle[0]));
    for (std::size_t at = 0; at + needle.size() <= text.size();) {
        if (lowerByte(static_cast<unsigned char>(text[at])) == first &&
            equalsIgnoreCase(text.substr(at, needle.size()), needle)) {
            found.push_back({at, needle.size()});
            at += needle.size();
        } else {
            ++at;
        }
    }
    return found;
}

bool containsIgnoringCase(std::string_view text, std::string_view needle) {
    if (needle.empty() || needle.size() > text.size()) return false;
    const auto first = lowerByte(static_cast<unsigned char>(needle[0]));
    for (std::size_t at = 0; at + needle.size() <= text.size(); ++at) {
        if (lowerByte(static_cast<unsigned char>(text[at])) == first &&
            equalsIgnoreCase(text.substr(at, needle.size()), needle))
            return true;
    }
    return false;
}

bool RowSearch::matches(const MessageView& view, int row) const {
    const MessageRows& rows = view.rows();
    if (m_query.empty() || row < 0 || row >= rows.count()) return false;
    return containsIgnoringCase(rows.cell(row, view.nameColumn()), m_query) ||
           containsIgnoringCase(rows.cell(row, view.textColumn()), m_query);
}

int RowSearch::next(const MessageView& view, int from, Direction direction) const {
    const int count = view.rows().count();
    if (m_query.empty() || count == 0) return -1;
    const int step = direction == Direction::Forward ? 1 : count - 1;
    int row = from < 0 || from >= count ? (direction == Direction::Forward ? count - 1 : 0) : from;
    for (int i = 0; i < count; ++i) {
        row = (row + step) % count;
        if (matches(view, row)) return row;
    }
    return -1;
}

int RowSearch::matchingRows(const MessageView& view) const {
    int found = 0;
    for (int row = 0; row < view.rows().count(); ++row)
        found += matches(view, row) ? 1 : 0;
    return found;
}

int RowSearch::step(MessageView& view, Direction direction) const {
    const int row = next(view, view.rows().marker(), direction);
    if (row >= 0) view.rows().moveMarker(row, row);
    return row;
}

LogSearch searchLog(const std::filesystem::path& file, std::string_view query) {
    LogSearch result;
    if (query.empty()) return result;
    const BoundedRead read = readFileAtMost(file, LogSearch::MaxBytes);
    if (read.status != ReadStatus::Read && read.status != ReadStatus::TooLarge) return result;
    result.found = true;
    result.cut = read.status == ReadStatus::TooLarge;
    std::string_view rest = read.bytes;
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (!containsIgnoringCase(line, query)) continue;
        ++result.hits;
        if (result.lines.size() < LogSearch::MaxShown) result.lines.emplace_back(line);
    }
    return result;
}

std::filesystem::path logFileOfDay(const std::filesystem::path& workingDirectory, const LocalTime& day) {
    return workingDirectory / pathFromWindows1252(LogFile::Directory) /
           pathFromWindows1252(LogFile::fileName(day));
}

}  // namespace tavik
