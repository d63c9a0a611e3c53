#include "art/ArtFont.h"

#include <algorithm>
#include <climits>
#include <string>
#include <utility>

#include "platform/Desktop.h"
#include "platform/Files.h"
#include "text/Text.h"

namespace tavik {

namespace {

// The font files were written for a reader in text mode, so they are read
// the same way: byte 26 (Ctrl+Z) ends the file, CR LF is one line end and a
// lone CR is an ordinary character of the line.
std::string textModeBytes(std::string_view bytes) {
    bytes = bytes.substr(0, bytes.find('\x1a'));
    std::string text;
    text.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
        text.push_back(bytes[i]);
    }
    return text;
}

// Walks the lines of a font file. Keys are only looked for at their place:
// a line that is not the expected key is given back for the next reader.
class FontReader {
public:
    explicit FontReader(std::string_view bytes) : m_text(textModeBytes(bytes)) {}

    // The next line without its end; a line feed or a zero byte ends it. Past
    // the end of the file every line reads as empty.
    std::string_view readLine() {
        if (m_pos >= m_text.size()) return {};
        const std::string_view rest = std::string_view(m_text).substr(m_pos);
        const std::size_t end = rest.find_first_of(std::string_view("\n\0", 2));
        if (end == std::string_view::npos) {
            m_pos = m_text.size();
            return rest;
        }
        m_pos += end + 1;
        return rest.substr(0, end);
    }

    // The value of the key line `key` (the text after the key and the one
    // separator character that follows it), or nothing with the line given back.
    // A key line is at least two characters longer than its key, so "WIDTH:5"
    // is a picture row and not a width.
    std::optional<std::string_view> readKeyLine(std::string_view key) {
        const std::size_t start = m_pos;
        const std::string_view line = readLine();
        if (line.size() >= key.size() + 2 && equalsIgnoreCase(line.substr(0, key.size()), key)) {
            return line.substr(key.size() + 1);
        }
        m_pos = start;
        return std::nullopt;
    }

private:
    std::string m_text;
    std::size_t m_pos = 0;
};

// A decimal number as atoi reads it: leading white space, an optional sign,
// digits up to the first other character, 0 without digits. Values beyond
// 32 bits saturate, so a huge number stays huge instead of wrapping around.
int parseNumber(std::string_view value) {
    std::size_t i = 0;
    while (i < value.size() && (value[i] == ' ' || (value[i] >= '\t' && value[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < value.size() && (value[i] == '+' || value[i] == '-')) {
        negative = value[i] == '-';
        ++i;
    }
    constexpr long long Saturated = static_cast<long long>(INT_MAX) + 1;
    long long magnitude = 0;
    for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i) {
        magnitude = std::min(magnitude * 10 + (value[i] - '0'), Saturated);
    }
    const long long number = negative ? -magnitude : magnitude;
    return static_cast<int>(std::clamp<long long>(number, INT_MIN, INT_MAX));
}

constexpr char Paragraph = '\xA7';  // "§" stands for the blank in a "ZEICHEN:" list

// The row the last length report would name; the negative-width message
// repeats it because it has no row of its own.
struct RowReport {
    long row = 0;
    long expected = 0;
    long actual = 0;
};

std::string rowMessage(std::string_view lead, std::string_view path, int glyphNumber, char shown,
                       const RowReport& report) {
    std::string text(lead);
    text += "Laenge der Zeile falsch Font: ";
    text += path;
    text += ", Zeichen: ";
    appendNumber(text, glyphNumber + 1L);
    text += ", ";
    text += shown;
    text += ", Zeile: ";
    appendNumber(text, report.row);
    text +=
        ", Solll\xE4"
        "nge: ";
    appendNumber(text, report.expected);
    text +=
        ", Istl\xE4"
        "nge: ";
    appendNumber(text, report.actual);
    return text;
}

void showError(Desktop& desktop, std::string_view text) {
    desktop.messageBox(text, "error", MessageBoxStyle::Ok);
}

// The glyph of a character as it is drawn: one without rows (its font stopped
// before it) takes no room and shows nothing.
const ArtGlyph& drawn(const ArtGlyph& glyph) {
    static const ArtGlyph empty{};
    return glyph.rows ? glyph : empty;
}

// Blanks, control characters and everything from 128 on leave a cell free
// for the glyph drawn after it under subtype 2.
bool isEmptyCell(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 33 || byte >= 128;
}

}  // namespace

bool ArtFont::load(const std::filesystem::path& path, Desktop& desktop) {
    std::string problem;
    const bool loaded = load(path, problem);
    if (!problem.empty()) showError(desktop, problem);
    return loaded;
}

bool ArtFont::loadFromBytes(std::string_view bytes, std::string_view displayPath, Desktop& desktop) {
    std::string problem;
    const bool loaded = loadFromBytes(bytes, displayPath, problem);
    if (!problem.empty()) showError(desktop, problem);
    return loaded;
}

bool ArtFont::load(const std::filesystem::path& path, std::string& problem) {
    problem.clear();
    const BoundedRead file = readFileAtMost(path, MaxFileBytes);
    if (file.status == ReadStatus::CannotOpen || file.status == ReadStatus::Failed) return false;
    const std::u8string name = path.u8string();
    const std::string displayPath = windows1252FromUtf8(std::string(name.begin(), name.end()));
    if (file.status == ReadStatus::TooLarge) {
        *this = ArtFont{};
        problem = "Font-Fehler: Datei zu gross (mehr als 1 MB), nicht geladen. Font: " + displayPath;
        return false;
    }
    return loadFromBytes(file.bytes, displayPath, problem);
}

bool ArtFont::loadFromBytes(std::string_view bytes, std::string_view displayPath, std::string& problem) {
    *this = ArtFont{};
    problem.clear();
    FontReader reader(bytes);
    // A damaged file could have a fault in every row: the user hears of the
    // first one only, and the loading goes on or stops as that fault says.
    const auto report = [&](std::string_view text) {
        if (problem.empty()) problem = text;
    };

    const std::optional<std::string_view> heightLine = reader.readKeyLine("HEIGHT:");
    if (!heightLine) return false;
    const int height = parseNumber(*heightLine);
    if (const auto line = reader.readKeyLine("SUBTYPE:")) m_subtype = parseNumber(*line);

    RowReport lastRow;
    for (int number = 0; number < GlyphCount; ++number) {
        ArtGlyph& glyph = m_glyphs[static_cast<std::size_t>(number)];
        glyph.height = height;
        if (const auto line = reader.readKeyLine("SUB:")) glyph.sub = parseNumber(*line);
        if (const auto line = reader.readKeyLine("ESC:")) glyph.esc = parseNumber(*line);
        if (const auto line = reader.readKeyLine("WIDTH:")) glyph.width = parseNumber(*line);
        if (glyph.width < 0) {
            report(
                rowMessage("Font-Fehler: pasAlph->width negativ, ", displayPath, number, Paragraph, lastRow));
            return false;
        }

        // The message about a wrong row names the glyph by the first character it is used for.
        char shown = Paragraph;
        if (const auto list = reader.readKeyLine("ZEICHEN:")) {
            bool first = true;
            std::size_t at = 0;
            while ((at = list->find_first_not_of(' ', at)) != std::string_view::npos) {
                const char listed = (*list)[at];
                if (first) shown = listed;
                first = false;
                const char c = listed == Paragraph ? ' ' : listed;
                m_charMap[static_cast<unsigned char>(c)] = static_cast<std::uint8_t>(number);
                at = list->find(' ', at);
            }
        }

        // Negative sizes and sizes no real font needs would have made the row
        // storage impossible to get; they fail the font the same way.
        const long long length = static_cast<long long>(glyph.width) + glyph.esc;
        if (height < 0 || height > MaxHeight || glyph.esc < 0 || length > MaxRowLength ||
            glyph.sub < -MaxRowLength || glyph.sub > MaxRowLength) {
            report("Zu wenig Speicher");
            return false;
        }
        const auto rowLength = static_cast<std::size_t>(length);

        std::vector<std::string> rows;
        rows.reserve(static_cast<std::size_t>(height));
        for (int r = 0; r < height; ++r) {
            const std::string_view line = reader.readLine();
            lastRow = {r + 1L, static_cast<long>(length), static_cast<long>(line.size())};
            if (line.size() > rowLength) {
                report(rowMessage("Font-Fehler: ", displayPath, number, shown, lastRow));
            }
            std::string& row = rows.emplace_back(line.substr(0, rowLength));
            row.resize(rowLength, ' ');
        }
        glyph.rows = std::move(rows);
    }
    return true;
}

std::optional<std::size_t> ArtFont::height() const {
    const ArtGlyph& first = m_glyphs[0];
    if (!first.rows) return std::nullopt;
    return first.rows->size();
}

std::vector<std::uint8_t> ArtFont::mapText(std::string_view text) const {
    std::vector<std::uint8_t> numbers;
    numbers.reserve(text.size());
    for (const char c : text)
        numbers.push_back(glyphNumber(c));
    return numbers;
}

ArtFont::Fit ArtFont::fit(std::string_view text, std::size_t prefixLength, long long budget) const {
    Fit result;
    long long width = 0;
    long long invisible = 0;
    int lastSub = 0;
    if (budget > 0) {
        for (const std::uint8_t number : mapText(text)) {
            const ArtGlyph& g = drawn(glyph(number));
            // The first character is drawn whole; every later one over the end of the one before.
            width += g.width - (result.count > 0 ? g.sub : 0);
            invisible += g.esc;
            lastSub = g.sub;
            ++result.count;
            // The character that reaches the budget is still taken, so a
            // single glyph wider than the budget is drawn whole.
            if (width >= budget) break;
        }
    }
    result.rowLength = width + invisible + 40 + static_cast<long long>(prefixLength) + lastSub;
    return result;
}

void ArtFont::draw(std::string_view text, std::string_view prefix, long long rowLength, std::size_t count,
                   std::string& output) const {
    const std::optional<std::size_t> rowCount = height();
    if (!rowCount) return;
    const std::vector<std::uint8_t> numbers = mapText(text.substr(0, std::min(count, text.size())));

    // One allocation for the whole block, as `fit` sized it.
    constexpr long long ReserveLimit = 1 << 24;
    const long long blockSize = (rowLength + 2) * static_cast<long long>(*rowCount);
    if (rowLength > 0 && blockSize < ReserveLimit) {
        output.reserve(output.size() + static_cast<std::size_t>(blockSize));
    }

    std::string row;
    for (std::size_t r = 0; r < *rowCount; ++r) {
        row.assign(prefix);
        auto x = static_cast<long long>(prefix.size());
        for (std::size_t j = 0; j < numbers.size(); ++j) {
            const ArtGlyph& g = drawn(glyph(numbers[j]));
            if (g.rows && r < g.rows->size()) placeRow(row, x, (*g.rows)[r], j > 0 ? g.sub : 0);
            x += g.rowLength();
            if (j + 1 < numbers.size()) x -= drawn(glyph(numbers[j + 1])).sub;
        }
        // The row ends where the last glyph ends; a glyph drawn back over an
        // earlier one may leave characters beyond that, which the row end covers.
        row.resize(static_cast<std::size_t>(std::max(x, static_cast<long long>(prefix.size()))), ' ');
        // The prefix stays the row's start whatever a large SUB drew back over
        // it: its blank keeps the server from taking a row as a command. A CR
        // or LF from a font row would start a line of its own; it shows blank.
        row.replace(0, prefix.size(), prefix);
        std::replace_if(
            row.begin() + static_cast<std::ptrdiff_t>(prefix.size()), row.end(),
            [](char c) { return c == '\r' || c == '\n'; }, ' ');
        output += row;
        output += "\r\n";
    }
}

void ArtFont::placeRow(std::string& row, long long position, std::string_view glyphRow, int overlap) const {
    const long long end = position + static_cast<long long>(glyphRow.size());
    if (end > static_cast<long long>(row.size())) row.resize(static_cast<std::size_t>(end), ' ');
    for (std::size_t k = 0; k < glyphRow.size(); ++k) {
        const long long at = position + static_cast<long long>(k);
        if (at < 0) continue;  // a large overlap would reach in front of the row
        char& cell = row[static_cast<std::size_t>(at)];
        const char c = glyphRow[k];
        if (static_cast<long long>(k) < overlap) {
            // Blanks of the overlapping part are transparent. Under subtype 2
            // the glyph in front stays and the new one only fills its gaps.
            if (c == ' ') continue;
            if (m_subtype == 2 && !isEmptyCell(cell)) continue;
        }
        cell = c;
    }
}

}  // namespace tavik
