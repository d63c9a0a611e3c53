#include "Icons.h"

#include <QCoreApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>
#include <array>
#include <cstddef>

namespace tavik::gui {

namespace {

constexpr int RowKinds = 9;
constexpr int FillerKind = 7;
constexpr int TreeImages = 20;
constexpr int TreeSelectedOffset = 10;
constexpr int TreeSize = 12;

using Draw = void (*)(QPainter&);

// Draws a picture designed on a `grid`-pixel square into a pixmap of `size`
// logical pixels at the given device pixel ratio, so one design serves every
// size and HiDPI screens get sharp pictures instead of scaled-up ones.
QPixmap render(int size, qreal grid, qreal ratio, Draw draw) {
    const int device = qRound(size * ratio);
    QImage image(device, device, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    if (draw != nullptr) {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(device / grid, device / grid);
        draw(p);
    }
    QPixmap pixmap = QPixmap::fromImage(image);
    pixmap.setDevicePixelRatio(ratio);
    return pixmap;
}

QIcon iconOf(int size, qreal grid, Draw draw) {
    QIcon icon;
    icon.addPixmap(render(size, grid, 1.0, draw));
    icon.addPixmap(render(size, grid, 2.0, draw));
    return icon;
}

QPen outline(const QColor& color, qreal width = 1.0) {
    QPen pen(color, width);
    pen.setJoinStyle(Qt::RoundJoin);
    pen.setCapStyle(Qt::RoundCap);
    return pen;
}

// --- Message rows, designed on 16 x 16 ------------------------------------

// A speech bubble whose tail points down-left (something said to us) or
// down-right (something we said).
void bubble(QPainter& p, const QColor& fill, bool tailRight) {
    QPainterPath path;
    path.addRoundedRect(QRectF(1.5, 1.5, 13, 9.5), 3, 3);
    QPolygonF tail;
    if (tailRight)
        tail << QPointF(9.5, 10.5) << QPointF(13.5, 14.5) << QPointF(12.5, 10.5);
    else
        tail << QPointF(3.5, 10.5) << QPointF(2.5, 14.5) << QPointF(6.5, 10.5);
    path.addPolygon(tail);
    path.setFillRule(Qt::WindingFill);
    p.setPen(outline(fill.darker(160)));
    p.setBrush(fill);
    p.drawPath(path.simplified());
}

void arrow(QPainter& p, qreal from, qreal to, qreal y) {
    const qreal dir = to > from ? -1.0 : 1.0;
    p.setPen(outline(Qt::white, 1.6));
    p.drawLine(QPointF(from, y), QPointF(to, y));
    p.drawLine(QPointF(to, y), QPointF(to + dir * 2.5, y - 2.5));
    p.drawLine(QPointF(to, y), QPointF(to + dir * 2.5, y + 2.5));
}

void drawPlain(QPainter& p) {
    p.setPen(outline(QColor(0x70, 0x70, 0x70)));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(3.5, 1.5, 9, 13));
    p.setPen(outline(QColor(0x90, 0x90, 0x90)));
    for (const qreal y : {5.0, 8.0, 11.0})
        p.drawLine(QPointF(5.5, y), QPointF(10.5, y));
}

void drawWhisperIn(QPainter& p) {
    bubble(p, QColor(0x8e, 0x44, 0xad), false);
    arrow(p, 11.5, 4.5, 6.25);
}

void drawPublic(QPainter& p) {
    bubble(p, QColor(0x2e, 0x74, 0xc9), false);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    for (const qreal x : {4.75, 8.0, 11.25})
        p.drawEllipse(QPointF(x, 6.25), 1.2, 1.2);
}

void drawEvent(QPainter& p) {
    // The "-->" the server puts before comings and goings.
    QPolygonF shape;
    shape << QPointF(1.5, 6) << QPointF(8.5, 6) << QPointF(8.5, 2.5) << QPointF(14.5, 8) << QPointF(8.5, 13.5)
          << QPointF(8.5, 10) << QPointF(1.5, 10);
    p.setPen(outline(QColor(0x1c, 0x6b, 0x30)));
    p.setBrush(QColor(0x34, 0xa8, 0x50));
    p.drawPolygon(shape);
}

void drawWhisperOut(QPainter& p) {
    bubble(p, QColor(0xe0, 0x7b, 0x1a), true);
    arrow(p, 4.5, 11.5, 6.25);
}

void drawNotice(QPainter& p) {
    p.setPen(outline(QColor(0x12, 0x5a, 0x62)));
    p.setBrush(QColor(0x1f, 0x8a, 0x96));
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(8, 4.75), 1.25, 1.25);
    p.drawRect(QRectF(7, 6.75, 2, 5.5));
}

void drawAlert(QPainter& p) {
    QPolygonF triangle;
    triangle << QPointF(8, 1.5) << QPointF(14.75, 14) << QPointF(1.25, 14);
    const QColor dark(0x6e, 0x4a, 0x00);
    p.setPen(outline(dark));
    p.setBrush(QColor(0xf5, 0xb7, 0x1e));
    p.drawPolygon(triangle);
    p.setPen(Qt::NoPen);
    p.setBrush(dark);
    p.drawRect(QRectF(7.2, 5.5, 1.6, 5));
    p.drawEllipse(QPointF(8, 12), 0.95, 0.95);
}

void drawInProgress(QPainter& p) {
    // Three dots, as of someone still typing: the line has not ended yet.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x80, 0x80, 0x80));
    for (const qreal x : {3.5, 8.0, 12.5})
        p.drawEllipse(QPointF(x, 8), 1.6, 1.6);
}

constexpr std::array<Draw, RowKinds> RowDrawings = {
    drawPlain,  drawWhisperIn, drawPublic, drawEvent,      drawWhisperOut,
    drawNotice, drawAlert,     nullptr,    drawInProgress,
};

// --- Chatter tree, designed on 12 x 12 ------------------------------------

void person(QPainter& p, const QColor& fill) {
    p.setPen(outline(fill.darker(170), 0.9));
    p.setBrush(fill);
    QPainterPath body;
    body.moveTo(1.5, 11.5);
    body.cubicTo(1.5, 7.0, 10.5, 7.0, 10.5, 11.5);
    body.closeSubpath();
    p.drawPath(body);
    p.drawEllipse(QPointF(6, 3.75), 2.4, 2.4);
}

void drawChatterIgnored(QPainter& p) {
    person(p, QColor(0xa8, 0xa8, 0xa8));
    p.setPen(outline(QColor(0xd0, 0x20, 0x20), 1.6));
    p.drawLine(QPointF(1.5, 10.5), QPointF(10.5, 1.5));
}

void drawChatter(QPainter& p) {
    person(p, QColor(0x3a, 0x78, 0xc8));
}

void drawNeutralCircle(QPainter& p) {
    p.setPen(outline(QColor(0x8a, 0x8a, 0x8a), 1.2));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(6, 6), 3.5, 3.5);
}

void drawNeutralDiamond(QPainter& p) {
    QPolygonF diamond;
    diamond << QPointF(6, 2) << QPointF(10, 6) << QPointF(6, 10) << QPointF(2, 6);
    p.setPen(outline(QColor(0x80, 0x80, 0x80), 0.9));
    p.setBrush(QColor(0xb8, 0xb8, 0xb8));
    p.drawPolygon(diamond);
}

void drawNeutralSquare(QPainter& p) {
    p.setPen(outline(QColor(0x80, 0x80, 0x80), 0.9));
    p.setBrush(QColor(0xb8, 0xb8, 0xb8));
    p.drawRect(QRectF(3.5, 3.5, 5, 5));
}

const QColor FolderEdge(0x8a, 0x64, 0x10);
const QColor FolderBack(0xe0, 0xb0, 0x40);
const QColor FolderFront(0xf6, 0xd8, 0x80);

void folderClosed(QPainter& p) {
    QPolygonF shape;
    shape << QPointF(0.5, 2.5) << QPointF(4.5, 2.5) << QPointF(5.5, 3.5) << QPointF(11.5, 3.5)
          << QPointF(11.5, 10.5) << QPointF(0.5, 10.5);
    p.setPen(outline(FolderEdge, 0.9));
    p.setBrush(FolderBack);
    p.drawPolygon(shape);
    p.drawLine(QPointF(0.5, 4.5), QPointF(11.5, 4.5));
}

void folderOpen(QPainter& p) {
    QPolygonF back;
    back << QPointF(0.5, 2.5) << QPointF(4.5, 2.5) << QPointF(5.5, 3.5) << QPointF(10.5, 3.5)
         << QPointF(10.5, 5.5) << QPointF(0.5, 10.5);
    p.setPen(outline(FolderEdge, 0.9));
    p.setBrush(FolderBack);
    p.drawPolygon(back);
    QPolygonF front;
    front << QPointF(2.5, 5.5) << QPointF(11.75, 5.5) << QPointF(9.5, 10.5) << QPointF(0.5, 10.5);
    p.setBrush(FolderFront);
    p.drawPolygon(front);
}

// A padlock over the lower right corner: the channel asks for a password.
void padlock(QPainter& p) {
    const QColor dark(0x30, 0x30, 0x30);
    p.setPen(outline(dark, 1.1));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(6.75, 4.75, 3.5, 4.5), 0, 180 * 16);
    p.setPen(outline(dark, 0.8));
    p.setBrush(QColor(0x60, 0x60, 0x60));
    p.drawRect(QRectF(6.0, 7.0, 5.0, 4.5));
}

void drawChannelCollapsed(QPainter& p) {
    folderClosed(p);
}

void drawChannel(QPainter& p) {
    folderOpen(p);
}

void drawProtectedCollapsed(QPainter& p) {
    folderClosed(p);
    padlock(p);
}

void drawProtected(QPainter& p) {
    folderOpen(p);
    padlock(p);
}

void drawConnection(QPainter& p) {
    // A globe: a connection to a chat somewhere out there.
    p.setPen(outline(QColor(0x1d, 0x5f, 0x8a), 0.9));
    p.setBrush(QColor(0x4a, 0xa3, 0xd8));
    p.drawEllipse(QPointF(6, 6), 5.25, 5.25);
    p.setPen(outline(Qt::white, 0.8));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(6, 6), 2.2, 5.25);
    p.drawLine(QPointF(0.75, 6), QPointF(11.25, 6));
    p.drawLine(QPointF(1.75, 3.5), QPointF(10.25, 3.5));
    p.drawLine(QPointF(1.75, 8.5), QPointF(10.25, 8.5));
}

constexpr std::array<Draw, TreeSelectedOffset> TreeDrawings = {
    drawChatterIgnored,   drawChatter,    drawNeutralCircle,      drawNeutralDiamond,
    drawChannelCollapsed, drawChannel,    drawProtectedCollapsed, drawProtected,
    drawNeutralSquare,    drawConnection,
};

// The selected variant is the picture with its colours inverted: it stands
// out on the highlight colour, which is dark where the normal one is light.
QPixmap inverted(const QPixmap& pixmap) {
    QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    image.invertPixels(QImage::InvertRgb);
    QPixmap out = QPixmap::fromImage(image);
    out.setDevicePixelRatio(pixmap.devicePixelRatio());
    return out;
}

QIcon treeIconOf(int index) {
    const bool selected = index >= TreeSelectedOffset;
    const Draw draw = TreeDrawings[static_cast<std::size_t>(index % TreeSelectedOffset)];
    QIcon icon;
    for (const qreal ratio : {1.0, 2.0}) {
        const QPixmap normal = render(TreeSize, TreeSize, ratio, draw);
        icon.addPixmap(selected ? inverted(normal) : normal);
    }
    return icon;
}

// --- Program icon, designed on 48 x 48 ------------------------------------

void drawProgram(QPainter& p) {
    // A speech bubble with two lines of text ...
    QPainterPath body;
    body.addRoundedRect(QRectF(2.5, 4.5, 36, 27), 9, 9);
    QPolygonF tail;
    tail << QPointF(9, 28) << QPointF(6, 42.5) << QPointF(20, 30) << QPointF(9, 28);
    QPainterPath tailPath;
    tailPath.addPolygon(tail);
    p.setPen(outline(QColor(0x5a, 0x34, 0x14), 2.5));
    p.setBrush(QColor(0xfd, 0xf4, 0xdc));
    // One outline around both: the tail's upper edge inside the body must not show.
    p.drawPath(body.united(tailPath));
    p.setPen(outline(QColor(0x8a, 0x6a, 0x4a), 3.0));
    p.drawLine(QPointF(10, 13.5), QPointF(28, 13.5));
    p.drawLine(QPointF(10, 21.5), QPointF(22, 21.5));

    // ... and a flame rising from its lower right corner: the chat is hot.
    QPainterPath flame;
    flame.moveTo(36, 46.5);
    flame.cubicTo(27, 46.5, 24, 38, 28, 31);
    flame.cubicTo(30, 27, 31, 24, 30.5, 19);
    flame.cubicTo(34.5, 22, 35.5, 25.5, 35.5, 29);
    flame.cubicTo(37.5, 24, 40.5, 18, 38.5, 11);
    flame.cubicTo(45.5, 17, 47.5, 27, 45.5, 35);
    flame.cubicTo(44.5, 42, 41, 46.5, 36, 46.5);
    p.setPen(outline(QColor(0x9a, 0x24, 0x08), 1.5));
    p.setBrush(QColor(0xee, 0x5a, 0x12));
    p.drawPath(flame);

    // The hot core, a smaller copy of the same shape.
    p.save();
    p.translate(36, 46);
    p.scale(0.55, 0.55);
    p.translate(-36, -46);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xff, 0xd2, 0x3c));
    p.drawPath(flame);
    p.restore();
}

// Made on first use and dropped with the application: pixmaps must not
// outlive the QGuiApplication they were made under.
struct Cache {
    std::array<QIcon, RowKinds> row12;
    std::array<QIcon, RowKinds> row16;
    std::array<QIcon, TreeImages> tree;
    std::array<QIcon, TreeImages * TreeImages> treeItems;
    QIcon program;
};

Cache* g_cache = nullptr;

void dropCache() {
    delete g_cache;
    g_cache = nullptr;
}

Cache& cache() {
    if (g_cache == nullptr) {
        g_cache = new Cache;
        qAddPostRoutine(dropCache);
    }
    return *g_cache;
}

}  // namespace

QIcon rowKindIcon(int kind, int size) {
    if (kind < 0 || kind >= RowKinds) kind = FillerKind;
    const Draw draw = RowDrawings[static_cast<std::size_t>(kind)];
    std::array<QIcon, RowKinds>* sized = size == 12 ? &cache().row12 : size == 16 ? &cache().row16 : nullptr;
    if (sized == nullptr) return iconOf(size, 16, draw);  // no list asks for these; not worth keeping
    QIcon& icon = (*sized)[static_cast<std::size_t>(kind)];
    if (icon.isNull()) icon = iconOf(size, 16, draw);
    return icon;
}

QIcon treeImage(int index) {
    if (index < 0 || index >= TreeImages) return {};
    QIcon& icon = cache().tree[static_cast<std::size_t>(index)];
    if (icon.isNull()) icon = treeIconOf(index);
    return icon;
}

QIcon treeItemIcon(int image, int selectedImage) {
    if (image < 0 || image >= TreeImages) return {};
    if (selectedImage < 0 || selectedImage >= TreeImages) selectedImage = image;
    QIcon& icon = cache().treeItems[static_cast<std::size_t>(image * TreeImages + selectedImage)];
    if (icon.isNull()) {
        for (const QIcon::Mode mode : {QIcon::Normal, QIcon::Active})
            icon.addPixmap(treeImage(image).pixmap(12), mode);
        icon.addPixmap(treeImage(selectedImage).pixmap(12), QIcon::Selected);
    }
    return icon;
}

QIcon programIcon() {
    QIcon& icon = cache().program;
    if (icon.isNull()) {
        for (const int size : {16, 32, 48})
            icon.addPixmap(render(size, 48, 1.0, drawProgram));
    }
    return icon;
}

void paintProgramIcon(QPainter& painter, qreal size) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 48, size / 48);
    drawProgram(painter);
    painter.restore();
}

}  // namespace tavik::gui
