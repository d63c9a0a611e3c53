#include <gtest/gtest.h>

#include <QLabel>
#include <algorithm>
#include <filesystem>

#include "AboutDialogWidget.h"
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
