#pragma once

#include <QFont>
#include <QPointer>
#include <QRect>
#include <QWidget>

#include "app/DisplayFont.h"
#include "config/Settings.h"

namespace tavik::gui {

// The display font as the settings file keeps it (a logical font record of the
// window system) and the QFont that draws it.
//
// height: negative = character height in pixels, positive = cell height (the
// character height plus internal leading, approximated from the font's
// metrics), 0 = the default size. weight: 0 = default, otherwise the same
// 1..1000 scale as QFont (400 normal, 700 bold). width, escapement and
// orientation have no QFont counterpart and are ignored. Fields the QFont does
// not set (size, weight, family) come back as 0 or empty, so an unset font
// survives a round trip too.
QFont fontFromLogFont(const tavik::LogFont& logFont);
// charSet is always 0 (ANSI); pitchAndFamily is 49 (fixed pitch, modern
// family) for a fixed-pitch font, otherwise variable pitch with the family
// guessed from the style hint. The precision and quality bytes are 0.
tavik::LogFont logFontFromFont(const QFont& font);

// The installed fonts, for the first-start choice and "&Font...".
class QtFontCatalog : public tavik::FontCatalog {
public:
    explicit QtFontCatalog(QWidget* dialogParent = nullptr) : m_dialogParent(dialogParent) {}

    void setDialogParent(QWidget* parent) { m_dialogParent = parent; }

    // Only a family that is really installed counts, not one that fontconfig
    // would substitute; the name is compared ignoring case.
    std::optional<tavik::LogFont> findFamily(std::string_view name) override;
    // The system's fixed-pitch font under the name of the family it resolves to.
    std::optional<tavik::LogFont> systemFixedFont() override;
    // The modal font dialog; the precision and quality bytes of `current` are
    // kept, and OK without a change gives `current` back unchanged.
    std::optional<tavik::LogFont> chooseFont(const tavik::LogFont& current) override;

private:
    QPointer<QWidget> m_dialogParent;
};

// The stored main window rectangle, its frame included, as a QRect (left, top,
// width, height). It is shrunk to fit the available area of the screen it lies
// on; when it is on no screen any more (a screen was removed, the resolution
// changed) or its title bar lies above the screen, it is moved onto the
// nearest screen's available area.
QRect placeOnScreen(const tavik::WindowRect& rect);
tavik::WindowRect windowRectFrom(const QRect& rect);

}  // namespace tavik::gui
