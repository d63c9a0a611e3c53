#pragma once

// Art fonts: letter shapes made of ordinary characters, read from the plain
// text files of the "fonts" directory, and the drawing of a line of text with
// them as a block of rows ready to be sent.

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavik {

class Desktop;

// One letter shape.
struct ArtGlyph {
    int width = 0;   // visible columns of every row
    int height = 0;  // always the font's height
    int sub = 0;     // characters drawn over the end of the glyph in front of it
    int esc = 0;     // characters per row that take no column (escape sequences)
    // Exactly `width + esc` characters each; none until the glyph's section was read.
    std::optional<std::vector<std::string>> rows;

    // Wide enough for the values of a glyph whose font failed on its sizes.
    long long rowLength() const { return static_cast<long long>(width) + esc; }
};

// The glyph number of every character code before a font's "ZEICHEN:" lists
// change it: letters of either case share the glyphs 0 to 25, the digits are
// 26 to 35, ":" to "?" fall on glyph 0 and everything else on glyph 36.
constexpr std::array<std::uint8_t, 256> makeDefaultCharMap() {
    std::array<std::uint8_t, 256> map{};
    for (auto& entry : map)
        entry = 36;
    for (int c = 0; c < 26; ++c) {
        map[static_cast<std::size_t>('A' + c)] = static_cast<std::uint8_t>(c);
        map[static_cast<std::size_t>('a' + c)] = static_cast<std::uint8_t>(c);
    }
    for (int c = 0; c < 10; ++c)
        map[static_cast<std::size_t>('0' + c)] = static_cast<std::uint8_t>(26 + c);
    for (char c : {':', ';', '<', '=', '>', '?'})
        map[static_cast<std::size_t>(c)] = 0;
    return map;
}
inline constexpr std::array<std::uint8_t, 256> DefaultCharMap = makeDefaultCharMap();

class ArtFont {
public:
    static constexpr int GlyphCount = 256;
    // Bounds of a sane font. A file asking for more (or for negative sizes)
    // fails with "Zu wenig Speicher", as a real shortage would.
    static constexpr int MaxHeight = 100;
    static constexpr int MaxRowLength = 1000;  // width + esc; also the bound of |sub|
    // A larger file is no font: it is refused with a message, unread.
    static constexpr std::size_t MaxFileBytes = 1024 * 1024;

    // What `fit` takes of a text: `count` characters (0 = nothing fits) and
    // the room a drawn row may need.
    struct Fit {
        std::size_t count = 0;
        long long rowLength = 0;
    };

    // Parses a font file; true on success. The first problem the user can mend
    // in the file is shown through the desktop, at most one message per file; a
    // missing file or one that does not start with "HEIGHT:" fails silently.
    bool load(const std::filesystem::path& path, Desktop& desktop);
    // The same over a file's bytes; `displayPath` names the file in messages.
    bool loadFromBytes(std::string_view bytes, std::string_view displayPath, Desktop& desktop);
    // The same two with the message handed back in `problem` (empty when there
    // is none) instead of shown, for a caller that reports many files at once.
    bool load(const std::filesystem::path& path, std::string& problem);
    bool loadFromBytes(std::string_view bytes, std::string_view displayPath, std::string& problem);

    const ArtGlyph& glyph(std::uint8_t number) const { return m_glyphs[number]; }
    std::uint8_t glyphNumber(char c) const { return m_charMap[static_cast<unsigned char>(c)]; }
    int subtype() const { return m_subtype; }
    // Rows of the drawing; nothing when glyph 0 has no rows, so nothing can be drawn.
    std::optional<std::size_t> height() const;

    // Every character of `text` replaced by its glyph number.
    std::vector<std::uint8_t> mapText(std::string_view text) const;
    // How many leading characters of `text` fill the width budget: characters
    // are taken while the width stays below `budget`, the first one always.
    Fit fit(std::string_view text, std::size_t prefixLength, long long budget) const;
    // Appends the rows of the first `count` characters, each row being the
    // prefix, the placed glyph rows and "\r\n". A glyph drawn back over the
    // prefix (by its SUB) does not show there, and a CR or LF of a glyph row is
    // drawn as a blank, so every row starts with the prefix and is one line.
    void draw(std::string_view text, std::string_view prefix, long long rowLength, std::size_t count,
              std::string& output) const;
    // Puts `glyphRow` into `row` at `position`: its first `overlap` characters are
    // merged into what stands there, the rest overwrites it. Cells in front of
    // the row's start are dropped; cells beyond its end are added.
    void placeRow(std::string& row, long long position, std::string_view glyphRow, int overlap) const;

private:
    std::array<ArtGlyph, GlyphCount> m_glyphs{};
    std::array<std::uint8_t, 256> m_charMap = DefaultCharMap;
    int m_subtype = 0;
};

}  // namespace tavik
