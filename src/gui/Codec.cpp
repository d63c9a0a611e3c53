#include "Codec.h"

#include <array>
#include <cstddef>

namespace tavik::gui {

namespace {

// 0x80-0x9F of Windows-1252. The undefined ones keep their own number.
constexpr std::array<char16_t, 32> HighControls = {
    u'\u20AC', u'\u0081', u'\u201A', u'\u0192', u'\u201E', u'\u2026', u'\u2020', u'\u2021',
    u'\u02C6', u'\u2030', u'\u0160', u'\u2039', u'\u0152', u'\u008D', u'\u017D', u'\u008F',
    u'\u0090', u'\u2018', u'\u2019', u'\u201C', u'\u201D', u'\u2022', u'\u2013', u'\u2014',
    u'\u02DC', u'\u2122', u'\u0161', u'\u203A', u'\u0153', u'\u009D', u'\u017E', u'\u0178',
};

char toByte(char16_t unit) {
    if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) return static_cast<char>(unit);
    for (std::size_t i = 0; i < HighControls.size(); ++i) {
        if (HighControls[i] == unit) return static_cast<char>(0x80 + i);
    }
    return '?';
}

}  // namespace

QString toQt(std::string_view windows1252) {
    QString text(static_cast<qsizetype>(windows1252.size()), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char c : windows1252) {
        const auto byte = static_cast<unsigned char>(c);
        *out++ = (byte >= 0x80 && byte < 0xA0) ? QChar(HighControls[byte - 0x80])
                                               : QChar(static_cast<char16_t>(byte));
    }
    return text;
}

std::string fromQt(const QString& text) {
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(text.size()));
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        // A character beyond the BMP is one '?', not two.
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) ++i;
        bytes.push_back(toByte(c.unicode()));
    }
    return bytes;
}

QString pathToQt(const std::string& nativePath) {
    return QString::fromUtf8(nativePath.data(), static_cast<qsizetype>(nativePath.size()));
}

std::string pathFromQt(const QString& path) {
    return path.toUtf8().toStdString();
}

}  // namespace tavik::gui
