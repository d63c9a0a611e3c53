// Art font files of any content: parsing never reads or writes outside the
// bytes, whatever it keeps is a font the composer can draw with safely, and a
// file gives at most one message.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "art/ArtFont.h"
#include "fakes/Fakes.h"

namespace {

using namespace tavik;

[[noreturn]] void violated(const char* what) {
    std::fprintf(stderr, "invariant violated: %s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    test::FakeDesktop desktop;
    ArtFont font;
    const bool ok = font.loadFromBytes(bytes, "fonts\\fuzz.fnt", desktop);

    if (desktop.boxes.size() > 1) violated("more than one message for one font file");
    for (const auto& box : desktop.boxes) {
        if (box.text.find('\0') != std::string::npos) violated("a message with a zero byte");
        if (box.caption != "error") violated("a message without the caption");
    }
    if (ok && !font.height()) violated("a loaded font without rows for glyph 0");

    bool rowsEnded = false;  // after a failed glyph no later one has rows
    for (int i = 0; i < ArtFont::GlyphCount; ++i) {
        const ArtGlyph& g = font.glyph(static_cast<std::uint8_t>(i));
        if (!g.rows) {
            rowsEnded = true;
            continue;
        }
        if (rowsEnded) violated("rows after a glyph without rows");
        if (g.width < 0 || g.esc < 0 || g.rowLength() > ArtFont::MaxRowLength) violated("glyph size bounds");
        if (g.sub < -ArtFont::MaxRowLength || g.sub > ArtFont::MaxRowLength) violated("sub bounds");
        if (g.height < 0 || g.height > ArtFont::MaxHeight ||
            g.rows->size() != static_cast<std::size_t>(g.height)) {
            violated("row count");
        }
        for (const std::string& row : *g.rows) {
            if (row.size() != static_cast<std::size_t>(g.rowLength())) violated("row length");
            if (row.find('\0') != std::string::npos || row.find('\n') != std::string::npos) {
                violated("a line end inside a row");
            }
        }
    }
    if (!ok && !rowsEnded && font.height()) violated("a failed font with all glyphs");
    return 0;
}
