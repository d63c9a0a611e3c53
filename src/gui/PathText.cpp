#include "PathText.h"

#include <QDir>
#include <string>

namespace tavik::gui {

std::filesystem::path toPath(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    return std::filesystem::path(std::u8string(reinterpret_cast<const char8_t*>(utf8.constData()),
                                               static_cast<std::size_t>(utf8.size())));
}

QString fromPath(const std::filesystem::path& path) {
    const std::u8string utf8 = path.u8string();
    return QString::fromUtf8(reinterpret_cast<const char*>(utf8.data()), static_cast<qsizetype>(utf8.size()));
}

QString displayPath(const std::filesystem::path& path) {
    return QDir::toNativeSeparators(fromPath(path));
}

}  // namespace tavik::gui
