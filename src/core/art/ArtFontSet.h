#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "art/ArtFont.h"

namespace tavik {

class Desktop;

// The program's art fonts: every file of the fonts directory, in the order of
// the sorted art font selector, so that font i belongs to entry i.
class ArtFontSet {
public:
    // Lists the plain files of `fontsDirectory` (no directories, no hidden
    // dot-files) sorted ignoring case and parses each. A font that fails keeps
    // its entry and slot; the faults of all files are shown in one box, the
    // first in full, at most five files by name and the rest counted. Runs once: after a load that found
    // files, later calls do nothing. A missing or empty directory gives no entries.
    void load(const std::filesystem::path& fontsDirectory, Desktop& desktop);

    bool loaded() const { return m_loaded; }
    // The selector's entries, Windows-1252 file names.
    const std::vector<std::string>& names() const { return m_names; }
    std::size_t count() const { return m_fonts.size(); }
    const ArtFont& font(std::size_t index) const { return m_fonts[index]; }  // index < count()

    // `text` drawn with font `fontIndex`: one row per glyph row, each the prefix,
    // the glyph rows and "\r\n". The budget for visible columns is
    // `budget + extra - prefix.size()`; characters beyond it are dropped, and
    // an empty text means none fits. Nothing when the set is not loaded, the
    // index names no font, the text is empty or the font cannot draw.
    std::optional<std::string> render(int fontIndex, std::string_view text, std::string_view prefix,
                                      int extra, int budget) const;
    // The same with one font, loaded or not.
    static std::optional<std::string> render(const ArtFont& font, std::string_view text,
                                             std::string_view prefix, int extra, int budget);

private:
    std::vector<std::string> m_names;
    std::vector<ArtFont> m_fonts;
    bool m_loaded = false;
};

}  // namespace tavik
