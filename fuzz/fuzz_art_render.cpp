// A fuzzed font, text, prefix and budget drawn by the art text composer: the
// block has one row per glyph row, each starting with the prefix, ending in
// "\r\n", holding no other line break and exactly as long as the characters
// taken say, and never anything read outside the font.
//
// Input: byte 0 budget (signed), byte 1 prefix length (low 2 bits),
// byte 2 text length, then the prefix, the text and the font file.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "art/ArtFont.h"
#include "art/ArtFontSet.h"
#include "fakes/Fakes.h"

namespace {

using namespace tavik;

[[noreturn]] void violated(const char* what) {
    std::fprintf(stderr, "invariant violated: %s\n", what);
    std::abort();
}

// What a drawn glyph takes, counted independently of the composer: one that
// has no rows takes nothing.
struct Room {
    long long width = 0;
    long long length = 0;
    long long sub = 0;
};
Room roomOf(const ArtFont& font, char c) {
    const ArtGlyph& g = font.glyph(font.glyphNumber(c));
    if (!g.rows) return {};
    return {g.width, g.rowLength(), g.sub};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) return 0;
    const int budget = static_cast<std::int8_t>(data[0]);
    const std::size_t prefixLength = data[1] & 3U;
    const std::size_t textLength = data[2];
    std::string_view rest(reinterpret_cast<const char*>(data) + 3, size - 3);
    if (rest.size() < prefixLength + textLength) return 0;
    const std::string_view prefix = rest.substr(0, prefixLength);
    const std::string_view text = rest.substr(prefixLength, textLength);
    const std::string_view fontBytes = rest.substr(prefixLength + textLength);

    test::FakeDesktop desktop;
    ArtFont font;
    font.loadFromBytes(fontBytes, "fonts\\fuzz.fnt", desktop);
    const std::optional<std::string> block = ArtFontSet::render(font, text, prefix, 1, budget);

    if (text.empty() || !font.height()) {
        if (block) violated("a block without text or without glyph 0");
        return 0;
    }
    if (!block) violated("no block for a drawable font");

    const long long room = budget + 1LL - static_cast<long long>(prefix.size());
    const ArtFont::Fit fit = font.fit(text, prefix.size(), room);
    if (room <= 0) {
        if (fit.count != 0 || !block->empty()) violated("something drawn without room");
        return 0;
    }
    if (fit.count == 0 || fit.count > text.size()) violated("characters taken");

    // The row ends where the last glyph ends: the prefix plus the stored rows
    // of the taken glyphs, less the overlaps.
    long long width = 0;
    long long end = static_cast<long long>(prefix.size());
    for (std::size_t j = 0; j < fit.count; ++j) {
        const Room r = roomOf(font, text[j]);
        width += r.width - (j > 0 ? r.sub : 0);
        end += r.length - (j > 0 ? r.sub : 0);
        if (j + 1 < fit.count && width >= room) violated("a character taken after the budget was reached");
    }
    if (fit.count < text.size() && width < room) violated("a character dropped within the budget");
    // A glyph drawn back over the prefix never shortens the row below it.
    const auto rowLength = static_cast<std::size_t>(std::max(end, static_cast<long long>(prefix.size())));

    std::size_t at = 0;
    for (std::size_t r = 0; r < *font.height(); ++r) {
        const std::size_t lineEnd = at + rowLength;
        if (lineEnd + 2 > block->size() || block->compare(lineEnd, 2, "\r\n") != 0) violated("row length");
        // Every row starts with the prefix (the send path's blank keeps a row
        // from being a command) and is one line on the wire.
        if (block->compare(at, prefix.size(), prefix) != 0) violated("a row does not start with the prefix");
        const std::string_view row = std::string_view(*block).substr(at, rowLength);
        if (row.substr(prefix.size()).find_first_of("\r\n") != std::string_view::npos)
            violated("a line break inside a row");
        at = lineEnd + 2;
    }
    if (at != block->size()) violated("more rows than the font's height");
    return 0;
}
