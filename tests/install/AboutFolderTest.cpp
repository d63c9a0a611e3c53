#include <gtest/gtest.h>

#include <QImage>
#include <QLabel>
#include <QPainter>
#include <algorithm>
#include <filesystem>

#include "AboutDialogWidget.h"
#include "Icons.h"
#include "Version.h"

namespace tavik::gui {
namespace {

// The version line follows the project's one version number; the box names
// the folder the files are kept in, so a user can find settings.cfg and the logs.
TEST(AboutFolder, VersionFromTheBuildAndTheFolderInUse) {
    AboutDialogWidget w(nullptr, std::filesystem::path("/home/anna/.local/share/TavikClient"));
    EXPECT_EQ(w.versionLabel()->text(), QStringLiteral("TavikClient Version " TAVIK_VERSION " Beta"));
    EXPECT_EQ(w.folderLabel()->text(), QStringLiteral("/home/anna/.local/share/TavikClient"));
    EXPECT_FALSE(w.folderLabel()->isHidden());
    const auto labels = w.findChildren<QLabel*>();
    EXPECT_TRUE(std::any_of(labels.begin(), labels.end(),
                            [](const QLabel* l) { return l->text() == QStringLiteral("Dateien:"); }));

    AboutDialogWidget withoutFolder;
    EXPECT_TRUE(withoutFolder.folderLabel()->isHidden());
}

}  // namespace
}  // namespace tavik::gui

namespace tavik::gui {
namespace {

// The installed icons are drawn large (up to 256 pixels), where every flaw
// shows: inside the bubble, where its tail joins it, there is only the
// bubble's fill, no stray outline of the tail.
TEST(ProgramIcon, TailJoinsTheBubbleWithoutALine) {
    QImage image(256, 256, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        paintProgramIcon(painter, 256);
    }
    const QColor fill(0xfd, 0xf4, 0xdc);
    // Along the tail's upper edge, (9, 28) to (20, 30) on the 48-pixel grid.
    for (const QPointF grid : {QPointF(12, 28.5), QPointF(14, 28.9), QPointF(17, 29.5)}) {
        const QPoint pixel = (grid * 256 / 48).toPoint();
        EXPECT_EQ(image.pixelColor(pixel), fill) << pixel.x() << "," << pixel.y();
    }
    // The outline is there where it belongs: the bubble's top edge.
    EXPECT_NE(image.pixelColor((QPointF(20, 4.5) * 256 / 48).toPoint()), fill);
}

}  // namespace
}  // namespace tavik::gui
