#include "FontMapping.h"

#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <cmath>
#include <limits>

#include "Codec.h"

namespace tavik::gui {

namespace {

// Pitch and family bits of the logical font record.
constexpr std::uint8_t FixedPitch = 1;
constexpr std::uint8_t VariablePitch = 2;
constexpr std::uint8_t FamilyRoman = 0x10;
constexpr std::uint8_t FamilySwiss = 0x20;
constexpr std::uint8_t FamilyModern = 0x30;
constexpr std::uint8_t FamilyScript = 0x40;
constexpr std::uint8_t FamilyDecorative = 0x50;

constexpr std::size_t MaxFaceName = 31;
constexpr int DefaultPixelHeight = 13;
constexpr long long Limit = 1 << 28;  // for window coordinates

double screenDpi() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->logicalDotsPerInchY() : 96.0;
}

QFont::StyleHint styleHintOf(std::uint8_t pitchAndFamily) {
    if ((pitchAndFamily & 3) == FixedPitch) return QFont::TypeWriter;
    switch (pitchAndFamily & 0xF0) {
        case FamilyRoman:
            return QFont::Serif;
        case FamilySwiss:
            return QFont::SansSerif;
        case FamilyModern:
            return QFont::TypeWriter;
        case FamilyScript:
            return QFont::Cursive;
        case FamilyDecorative:
            return QFont::Decorative;
        default:
            return QFont::AnyStyle;
    }
}

std::uint8_t familyBitsOf(const QFont& font) {
    switch (font.styleHint()) {
        case QFont::Serif:
            return FamilyRoman;
        case QFont::SansSerif:
            return FamilySwiss;
        case QFont::TypeWriter:
        case QFont::Monospace:
            return FamilyModern;
        case QFont::Cursive:
            return FamilyScript;
        case QFont::Decorative:
        case QFont::Fantasy:
            return FamilyDecorative;
        default:
            break;
    }
    const QString family = font.family();
    if (family.contains(QStringLiteral("Serif"), Qt::CaseInsensitive)) return FamilyRoman;
    if (family.contains(QStringLiteral("Sans"), Qt::CaseInsensitive)) return FamilySwiss;
    return 0;
}

// fontconfig lists a family offered by several foundries as "Family [Foundry]".
QString bareFamily(const QString& family) {
    const qsizetype bracket = family.indexOf(QStringLiteral(" ["));
    return bracket < 0 ? family : family.left(bracket);
}

int clampToInt(double value) {
    return static_cast<int>(std::clamp(value, 1.0, static_cast<double>(std::numeric_limits<int>::max() / 2)));
}

}  // namespace

QFont fontFromLogFont(const tavik::LogFont& logFont) {
    QFont font;
    if (!logFont.faceName.empty()) font.setFamily(toQt(logFont.faceName));
    const QFont::StyleHint hint = styleHintOf(logFont.pitchAndFamily);
    if (hint != QFont::AnyStyle) font.setStyleHint(hint);
    if ((logFont.pitchAndFamily & 3) == FixedPitch) font.setFixedPitch(true);

    if (logFont.height < 0) {
        font.setPixelSize(clampToInt(-static_cast<double>(logFont.height)));
    } else if (logFont.height > 0) {
        // A cell height includes the leading above the characters: scale the
        // character height by what this font adds to it.
        font.setPixelSize(clampToInt(logFont.height));
        const int cell = QFontMetrics(font).height();
        if (cell > 0 && cell != logFont.height) {
            const double scaled = static_cast<double>(logFont.height) * logFont.height / cell;
            font.setPixelSize(clampToInt(std::round(scaled)));
        }
    }
    if (logFont.weight > 0) font.setWeight(static_cast<QFont::Weight>(std::min(logFont.weight, 1000)));
    if (logFont.italic != 0) font.setItalic(true);
    if (logFont.underline != 0) font.setUnderline(true);
    if (logFont.strikeOut != 0) font.setStrikeOut(true);
    return font;
}

tavik::LogFont logFontFromFont(const QFont& font) {
    const uint resolved = font.resolveMask();
    tavik::LogFont logFont;
    if ((resolved & QFont::SizeResolved) != 0) {
        if (font.pixelSize() > 0) {
            logFont.height = -font.pixelSize();
        } else if (font.pointSizeF() > 0) {
            logFont.height = -static_cast<std::int32_t>(std::lround(font.pointSizeF() * screenDpi() / 72.0));
        }
    }
    if ((resolved & QFont::WeightResolved) != 0) logFont.weight = font.weight();
    logFont.italic = font.italic() ? 1 : 0;
    logFont.underline = font.underline() ? 1 : 0;
    logFont.strikeOut = font.strikeOut() ? 1 : 0;
    logFont.charSet = 0;
    logFont.pitchAndFamily =
        QFontInfo(font).fixedPitch() ? FixedPitch | FamilyModern : VariablePitch | familyBitsOf(font);
    if ((resolved & QFont::FamilyResolved) != 0 || (resolved & QFont::FamiliesResolved) != 0) {
        logFont.faceName = fromQt(font.family());
        if (logFont.faceName.size() > MaxFaceName) logFont.faceName.resize(MaxFaceName);
    }
    return logFont;
}

std::optional<tavik::LogFont> QtFontCatalog::findFamily(std::string_view name) {
    const QString wanted = toQt(name);
    for (const QString& listed : QFontDatabase::families()) {
        const QString family = bareFamily(listed);
        if (family.compare(wanted, Qt::CaseInsensitive) != 0) continue;
        QFont font(family);
        font.setPixelSize(DefaultPixelHeight);
        font.setWeight(QFont::Normal);
        if (QFontDatabase::isFixedPitch(listed)) font.setStyleHint(QFont::TypeWriter);
        return logFontFromFont(font);
    }
    return std::nullopt;
}

std::optional<tavik::LogFont> QtFontCatalog::systemFixedFont() {
    const QFont system = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    // "monospace" and the like are aliases; the file keeps the real family.
    const QString family = QFontInfo(system).family();
    if (family.isEmpty()) return std::nullopt;
    tavik::LogFont logFont = logFontFromFont(system);
    logFont.faceName = fromQt(family);
    if (logFont.faceName.size() > MaxFaceName) logFont.faceName.resize(MaxFaceName);
    if (logFont.height == 0) logFont.height = -DefaultPixelHeight;
    if (logFont.weight == 0) logFont.weight = QFont::Normal;
    return logFont;
}

std::optional<tavik::LogFont> QtFontCatalog::chooseFont(const tavik::LogFont& current) {
    QFont initial = fontFromLogFont(current);
    // A font that names no style makes the dialog guess one, and for some
    // families it guesses the slanted one ("Oblique"); name the style the font
    // really resolves to.
    initial.setStyleName(QFontInfo(initial).styleName());
    QFontDialog dialog(m_dialogParent.data());
    dialog.setWindowTitle(QStringLiteral("Schriftart"));
    dialog.setCurrentFont(initial);
    // What the dialog makes of the font before anyone touches it.
    const QFont untouched = dialog.currentFont();
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QFont chosen = dialog.selectedFont();
    // OK without a change keeps the stored font exactly, byte for byte.
    if (chosen == untouched) return current;
    tavik::LogFont logFont = logFontFromFont(chosen);
    // The dialog knows nothing of these; what the file held stays.
    logFont.outPrecision = current.outPrecision;
    logFont.clipPrecision = current.clipPrecision;
    logFont.quality = current.quality;
    return logFont;
}

QRect placeOnScreen(const tavik::WindowRect& stored) {
    // A damaged file may hold any numbers; keep them where QRect can compute.
    const auto coordinate = [](std::int32_t v) {
        return static_cast<int>(std::clamp<long long>(v, -Limit, Limit));
    };
    const auto extent = [](std::int32_t from, std::int32_t to) {
        return static_cast<int>(std::clamp<long long>(static_cast<long long>(to) - from, 1, Limit));
    };
    QRect rect(coordinate(stored.left), coordinate(stored.top), extent(stored.left, stored.right),
               extent(stored.top, stored.bottom));
    const QList<QScreen*> screens = QGuiApplication::screens();
    if (screens.isEmpty()) return rect;

    // The screen the window lies on most, or else the nearest one.
    const QScreen* chosen = nullptr;
    long long chosenOverlap = 0;
    long long nearestDistance = std::numeric_limits<long long>::max();
    const QScreen* nearest = nullptr;
    for (const QScreen* screen : screens) {
        const QRect area = screen->availableGeometry();
        const QRect visible = area.intersected(rect);
        const long long overlap =
            visible.isEmpty() ? 0 : static_cast<long long>(visible.width()) * visible.height();
        if (overlap > chosenOverlap) {
            chosenOverlap = overlap;
            chosen = screen;
        }
        // Distance between the window's centre and the nearest point of the area.
        const QPoint centre = rect.center();
        const long long dx = std::max({static_cast<long long>(area.left()) - centre.x(), 0LL,
                                       static_cast<long long>(centre.x()) - area.right()});
        const long long dy = std::max({static_cast<long long>(area.top()) - centre.y(), 0LL,
                                       static_cast<long long>(centre.y()) - area.bottom()});
        const long long distance = dx * dx + dy * dy;
        if (distance < nearestDistance) {
            nearestDistance = distance;
            nearest = screen;
        }
    }
    const QRect area = (chosen != nullptr ? chosen : nearest)->availableGeometry();
    // Never larger than the screen (a display scale of 2 halves its size).
    rect.setSize(rect.size().boundedTo(area.size()));
    // Enough of the window must show to grab it with the mouse, and its title
    // bar (the top of the frame) must not lie above the screen.
    const QRect visible = area.intersected(rect);
    const bool grabbable = visible.width() >= std::min(rect.width(), 64) &&
                           visible.height() >= std::min(rect.height(), 32) && rect.top() >= area.top();
    if (!grabbable) {
        rect.moveLeft(std::clamp(rect.left(), area.left(), area.left() + area.width() - rect.width()));
        rect.moveTop(std::clamp(rect.top(), area.top(), area.top() + area.height() - rect.height()));
    }
    return rect;
}

tavik::WindowRect windowRectFrom(const QRect& rect) {
    // QRect::right() is the last pixel; the stored rectangle ends behind it.
    return {rect.x(), rect.y(), rect.x() + rect.width(), rect.y() + rect.height()};
}

}  // namespace tavik::gui
