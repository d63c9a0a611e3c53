#include "app/DisplayFont.h"

namespace tavik::DisplayFont {

LogFont pickDefault(FontCatalog& catalog) {
    for (const std::string_view name : DefaultFontNames) {
        if (std::optional<LogFont> font = catalog.findFamily(name)) return *font;
    }
    if (std::optional<LogFont> font = catalog.systemFixedFont()) return *font;
    // Cancelling brings the dialog back: the list needs a font.
    LogFont current;
    for (;;) {
        if (std::optional<LogFont> font = catalog.chooseFont(current)) return *font;
    }
}

}  // namespace tavik::DisplayFont
