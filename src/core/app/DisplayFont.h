#pragma once

#include <array>
#include <optional>
#include <string_view>

#include "config/Settings.h"

namespace tavik {

// The window system's fonts, as far as the display font needs them.
class FontCatalog {
public:
    virtual ~FontCatalog() = default;
    // The first font of an installed family of that name.
    virtual std::optional<LogFont> findFamily(std::string_view name) = 0;
    // The system's own fixed-pitch font.
    virtual std::optional<LogFont> systemFixedFont() = 0;
    // The font dialog, starting from `current`; nothing when cancelled.
    virtual std::optional<LogFont> chooseFont(const LogFont& current) = 0;
};

namespace DisplayFont {

// The fixed-pitch families tried at a first start, in this order.
inline constexpr std::array<std::string_view, 6> DefaultFontNames = {
    "vt100", "lucida console", "courier", "courier new", "terminal", "fixedsys"};

// The first installed family of DefaultFontNames; failing that the system's
// fixed-pitch font; only when even that is missing the user must pick one.
LogFont pickDefault(FontCatalog& catalog);

}  // namespace DisplayFont
}  // namespace tavik
