#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/DisplayFont.h"

namespace tavik {
namespace {

class FakeCatalog : public FontCatalog {
public:
    std::set<std::string> installed;
    bool hasSystemFixed = false;
    int cancels = 0;  // the font dialog is cancelled this many times, then confirmed
    std::vector<std::string> asked;
    int dialogs = 0;

    std::optional<LogFont> findFamily(std::string_view name) override {
        asked.emplace_back(name);
        if (installed.count(std::string(name)) == 0) return std::nullopt;
        LogFont f;
        f.faceName = name;
        return f;
    }
    std::optional<LogFont> systemFixedFont() override {
        if (!hasSystemFixed) return std::nullopt;
        LogFont f;
        f.faceName = "monospace";
        return f;
    }
    std::optional<LogFont> chooseFont(const LogFont&) override {
        ++dialogs;
        if (dialogs <= cancels) return std::nullopt;
        LogFont f;
        f.faceName = "gewaehlt";
        return f;
    }
};

TEST(DisplayFont, FirstInstalledFamilyInOrder) {
    FakeCatalog catalog;
    catalog.installed = {"terminal", "courier new"};
    EXPECT_EQ(DisplayFont::pickDefault(catalog).faceName, "courier new");
    EXPECT_EQ(catalog.asked, (std::vector<std::string>{"vt100", "lucida console", "courier", "courier new"}));
    EXPECT_EQ(catalog.dialogs, 0);
}

TEST(DisplayFont, SystemFixedFontBeforeTheDialog) {
    FakeCatalog catalog;
    catalog.hasSystemFixed = true;
    EXPECT_EQ(DisplayFont::pickDefault(catalog).faceName, "monospace");
    EXPECT_EQ(catalog.asked.size(), 6U);
    EXPECT_EQ(catalog.dialogs, 0);
}

TEST(DisplayFont, TheDialogComesBackUntilAFontIsChosen) {
    FakeCatalog catalog;
    catalog.cancels = 2;
    EXPECT_EQ(DisplayFont::pickDefault(catalog).faceName, "gewaehlt");
    EXPECT_EQ(catalog.dialogs, 3);
}

}  // namespace
}  // namespace tavik
