// Writes tavikclient.ico, the icon in the Windows program file, drawn by the
// same code as the window's icon. Run on the build machine (the host build
// has it as tavik_windows_icon); the file it writes is kept in the sources so
// the Windows build needs no host program, and a test checks that the two
// still agree.
//
//   tavik_windows_icon OUTFILE
//
// The sizes are those Explorer and the task bar ask for. Up to 64 pixels the
// pictures are 32-bit bitmaps, the form every Windows reads; the 256-pixel one
// is PNG, as Windows expects at that size.

#include <QBuffer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QtEndian>
#include <array>
#include <cstdio>

#include "Icons.h"

namespace {

constexpr std::array<int, 6> Sizes = {16, 24, 32, 48, 64, 256};

QImage draw(int size) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    tavik::gui::paintProgramIcon(painter, size);
    return image;
}

void put16(QByteArray& out, int value) {
    const auto v = qToLittleEndian(static_cast<quint16>(value));
    out.append(reinterpret_cast<const char*>(&v), 2);
}

void put32(QByteArray& out, qint64 value) {
    const auto v = qToLittleEndian(static_cast<quint32>(value));
    out.append(reinterpret_cast<const char*>(&v), 4);
}

// A BITMAPINFOHEADER, the pixels bottom-up as BGRA, and the 1-bit mask, all
// clear (the alpha channel decides).
QByteArray bitmap(const QImage& image) {
    const int size = image.width();
    const int maskRow = ((size + 31) / 32) * 4;
    QByteArray out;
    put32(out, 40);
    put32(out, size);
    put32(out, 2 * size);  // the colour picture and the mask
    put16(out, 1);
    put16(out, 32);
    put32(out, 0);  // BI_RGB
    put32(out, static_cast<qint64>(size) * size * 4 + static_cast<qint64>(maskRow) * size);
    put32(out, 0);
    put32(out, 0);
    put32(out, 0);
    put32(out, 0);
    for (int y = size - 1; y >= 0; --y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < size; ++x)
            put32(out, static_cast<qint64>(row[x]));  // ARGB32 in memory order is B, G, R, A
    }
    out.append(QByteArray(maskRow * size, '\0'));
    return out;
}

QByteArray png(const QImage& image) {
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tavik_windows_icon OUTFILE\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    std::array<QByteArray, Sizes.size()> pictures;
    for (std::size_t i = 0; i < Sizes.size(); ++i) {
        const QImage image = draw(Sizes[i]);
        pictures[i] = Sizes[i] > 64 ? png(image) : bitmap(image);
    }

    QByteArray ico;
    put16(ico, 0);
    put16(ico, 1);  // an icon, not a cursor
    put16(ico, static_cast<int>(Sizes.size()));
    qint64 offset = 6 + 16 * static_cast<qint64>(Sizes.size());
    for (std::size_t i = 0; i < Sizes.size(); ++i) {
        const int size = Sizes[i];
        ico.append(static_cast<char>(size >= 256 ? 0 : size));  // 0 means 256
        ico.append(static_cast<char>(size >= 256 ? 0 : size));
        ico.append('\0');  // no palette
        ico.append('\0');
        put16(ico, 1);   // planes
        put16(ico, 32);  // bits per pixel
        put32(ico, pictures[i].size());
        put32(ico, offset);
        offset += pictures[i].size();
    }
    for (const QByteArray& picture : pictures)
        ico.append(picture);

    QFile file(QString::fromLocal8Bit(argv[1]));
    if (!file.open(QIODevice::WriteOnly) || file.write(ico) != ico.size() || !file.flush()) {
        std::fprintf(stderr, "tavik_windows_icon: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
