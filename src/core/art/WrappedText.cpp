#include "art/WrappedText.h"

#include <algorithm>
#include <map>
#include <optional>
#include <system_error>

#include "platform/FileNames.h"
#include "platform/Files.h"
#include "text/Text.h"

namespace tavik {
namespace {

constexpr char CtrlZ = 26;

// The raw bytes of a regular file, or nothing when it cannot be read or holds
// more than `limit` bytes. Reading stops one byte past the limit, so a huge
// file costs no more than one of the limit's size.
std::optional<std::string> readBytes(const std::filesystem::path& path, std::size_t limit) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return std::nullopt;
    BoundedRead read = readFileAtMost(path, limit);
    if (read.status != ReadStatus::Read) return std::nullopt;
    return std::move(read.bytes);
}

// What reading the bytes in text mode gives, with CRs turned into LFs.
std::string fromTextMode(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == CtrlZ) break;
        if (c == '\r') {
            if (i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
            text.push_back('\n');
        } else {
            text.push_back(c);
        }
    }
    return text;
}

// A name that means one file directly inside the picture directory on every
// system: no separators, no drive prefix, not the directory itself or its parent.
bool isPlainFileName(std::string_view name) {
    if (name.empty() || name == "." || name == "..") return false;
    return name.find_first_of(std::string_view("/\\:\0", 4)) == std::string_view::npos;
}

// The file of the picture `name`: the one of exactly that name, else one whose
// name differs only in letter case, as word sounds are found («/Eule/» draws
// "eule"). Of several such files the first in byte order is taken, so the
// choice never depends on the order of the listing.
std::filesystem::path pictureFile(std::string_view name, const std::filesystem::path& directory) {
    const std::filesystem::path exact = directory / pathFromWindows1252(name);
    std::error_code ec;
    if (std::filesystem::exists(std::filesystem::symlink_status(exact, ec))) return exact;
    std::optional<std::filesystem::path> found;
    std::string foundName;
    for (std::filesystem::directory_iterator it(directory, ec), end; !ec && it != end; it.increment(ec)) {
        const std::optional<std::string> leafName = windows1252FromPath(it->path().filename());
        if (!leafName || !equalsIgnoreCase(*leafName, name)) continue;
        if (!found || *leafName < foundName) {
            found = it->path();
            foundName = *leafName;
        }
    }
    return found.value_or(exact);
}

// The text of the picture `name`, or nothing when it must be treated as missing.
std::optional<std::string> pictureText(std::string_view name, const std::filesystem::path& directory) {
    if (!isPlainFileName(name)) return std::nullopt;
    const std::filesystem::path file = pictureFile(name, directory);

    // The name itself cannot leave the directory, but a symbolic link in it can.
    std::error_code ec;
    const std::filesystem::path realDirectory = std::filesystem::canonical(directory, ec);
    if (ec) return std::nullopt;
    const std::filesystem::path realFile = std::filesystem::canonical(file, ec);
    if (ec) return std::nullopt;
    const std::filesystem::path inside = realFile.lexically_relative(realDirectory);
    if (inside.empty() || *inside.begin() == "..") return std::nullopt;

    std::optional<std::string> bytes = readBytes(realFile, MaxInlinePictureBytes);
    if (!bytes) return std::nullopt;
    std::string text = fromTextMode(*bytes);
    // A zero byte would end any text we send; the picture ends there as well.
    if (const auto zero = text.find('\0'); zero != std::string::npos) text.resize(zero);
    if (std::count(text.begin(), text.end(), '\n') >= MaxInlinePictureRows) return std::nullopt;
    return text;
}

std::vector<std::string_view> splitAtBlanks(std::string_view text) {
    std::vector<std::string_view> words;
    for (;;) {
        const auto blank = text.find(' ');
        words.push_back(text.substr(0, blank));
        if (blank == std::string_view::npos) return words;
        text.remove_prefix(blank + 1);
    }
}

// The characters a line must not begin with unless the user typed them there.
constexpr std::string_view CommandLeads = "/+-<>|";

bool isPictureWord(std::string_view word) {
    return !word.empty() && word.front() == '/' && word.back() == '/';
}

}  // namespace

std::string readWholeTextFile(const std::filesystem::path& path) {
    std::optional<std::string> bytes = readBytes(path, MaxInlinePictureBytes);
    if (!bytes) return "\n";
    return fromTextMode(*bytes);
}

void WordBlock::load(std::string_view text) {
    m_rows.clear();
    m_width = 0;
    for (;;) {
        const auto feed = text.find('\n');
        const std::string_view row = text.substr(0, feed);
        m_rows.emplace_back(row);
        m_width = std::max(m_width, row.size());
        if (feed == std::string_view::npos) break;
        text.remove_prefix(feed + 1);
    }
    m_lineHeight = rowCount();
}

bool WordBlock::anyRowStartsWith(std::string_view characters) const {
    for (const std::string& row : m_rows) {
        const char lead = row.empty() ? ' ' : row.front();
        if (m_width > 0 && characters.find(lead) != std::string_view::npos) return true;
    }
    return false;
}

std::string WordBlock::getRow(int row) const {
    // Bottom alignment: the word's last row is the line's last row.
    const long own = static_cast<long>(row) + rowCount() - m_lineHeight;
    std::string text;
    if (own >= 0 && own < rowCount()) {
        text = m_rows[static_cast<std::size_t>(own)];
    } else if (m_filler == Filler::FirstRow) {
        text = m_rows.front();
    }
    text.resize(m_width, ' ');
    return text;
}

InlinePicture::InlinePicture(std::string_view name, const std::filesystem::path& inlineDirectory) {
    load(pictureText(name, inlineDirectory).value_or("\n"));
}

WrappedText::WrappedText(std::string_view typed, int headCount,
                         const std::filesystem::path& inlineDirectory) {
    std::string text(typed);
    for (char& c : text) {
        if (c == '\r' || c == '\n') c = ' ';
    }
    // A picture used several times in one line is read once.
    std::map<std::string_view, WordBlock> pictures;
    const std::vector<std::string_view> words = splitAtBlanks(text);
    for (std::size_t k = 0; k < words.size(); ++k) {
        const std::string_view word = words[k];
        if (static_cast<long>(k) < headCount) {
            m_heads.emplace_back(word);
        } else if (isPictureWord(word)) {
            const std::string_view name =
                word.size() >= 2 ? word.substr(1, word.size() - 2) : std::string_view();
            auto found = pictures.find(name);
            if (found == pictures.end())
                found = pictures.emplace(name, InlinePicture(name, inlineDirectory)).first;
            m_body.push_back(found->second);
        } else {
            m_body.emplace_back(word);
        }
    }
}

std::string WrappedText::compose(int width, std::string_view lineEnd) {
    // A word costs its length plus 2 although it takes its length plus one
    // blank: the server's width check counts a little more than we send.
    const auto cost = [](const WordBlock& w) { return static_cast<long long>(w.width()) + 2; };
    long long headCost = 0;
    for (const HeadWord& h : m_heads)
        headCost += cost(h);
    if (m_body.empty()) return {};

    std::string out;
    for (std::size_t first = 0; first < m_body.size();) {
        // A later line must not begin its text with a command: a blank goes in front.
        const bool guard = first > 0 && m_body[first].anyRowStartsWith(CommandLeads);
        long long used = headCost + (guard ? 1 : 0);
        std::size_t end = first;
        int height = 1;
        while (end < m_body.size() && used + cost(m_body[end]) <= width) {
            used += cost(m_body[end]);
            height = std::max(height, m_body[end].rowCount());
            ++end;
        }
        // One word that does not fit spoils the whole text; the caller sends it unwrapped.
        if (end == first) return {};

        for (HeadWord& h : m_heads)
            h.setLineHeight(height);
        for (std::size_t k = first; k < end; ++k)
            m_body[k].setLineHeight(height);
        for (int r = 0; r < height; ++r) {
            bool firstWord = true;
            const auto append = [&](const WordBlock& w) {
                if (!firstWord) out.push_back(' ');
                firstWord = false;
                out += w.getRow(r);
            };
            for (const HeadWord& h : m_heads)
                append(h);
            if (guard) {
                if (!firstWord) out.push_back(' ');
                firstWord = true;
                out.push_back(' ');
            }
            for (std::size_t k = first; k < end; ++k)
                append(m_body[k]);
            out += lineEnd;
        }
        first = end;
    }
    return out;
}

}  // namespace tavik
