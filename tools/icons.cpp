// Writes the installed program icons, drawn by the same code as the window's
// icon: hicolor/NxN/apps/ID.png for every size the desktops ask for, and
// hicolor/scalable/apps/ID.svg when built with Qt's SVG module.
//
//   tavik_icons OUTDIR ID

#include "Icons.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <array>
#include <cstdio>

#ifdef TAVIK_HAVE_SVG
#include <QSvgGenerator>
#endif

namespace {

constexpr std::array<int, 8> Sizes = {16, 22, 24, 32, 48, 64, 128, 256};

bool writePng(const QDir& root, const QString& id, int size) {
    const QString dir = QStringLiteral("hicolor/%1x%1/apps").arg(size);
    if (!root.mkpath(dir)) return false;
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        tavik::gui::paintProgramIcon(painter, size);
    }
    return image.save(root.filePath(dir + QLatin1Char('/') + id + QStringLiteral(".png")), "PNG");
}

#ifdef TAVIK_HAVE_SVG
bool writeSvg(const QDir& root, const QString& id) {
    const QString dir = QStringLiteral("hicolor/scalable/apps");
    if (!root.mkpath(dir)) return false;
    QSvgGenerator svg;
    svg.setFileName(root.filePath(dir + QLatin1Char('/') + id + QStringLiteral(".svg")));
    svg.setSize(QSize(48, 48));
    svg.setViewBox(QRect(0, 0, 48, 48));
    svg.setTitle(QStringLiteral("TavikClient"));
    QPainter painter;
    if (!painter.begin(&svg)) return false;
    tavik::gui::paintProgramIcon(painter, 48);
    return painter.end();
}
#endif

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: tavik_icons OUTDIR ID\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QDir root(QString::fromLocal8Bit(argv[1]));
    const QString id = QString::fromLocal8Bit(argv[2]);
    bool ok = true;
    for (const int size : Sizes)
        ok = writePng(root, id, size) && ok;
#ifdef TAVIK_HAVE_SVG
    ok = writeSvg(root, id) && ok;
#endif
    if (!ok) std::fprintf(stderr, "tavik_icons: could not write the icons into %s\n", argv[1]);
    return ok ? 0 : 1;
}
