#include <gtest/gtest.h>

#include <ostream>

#include "app/Layout.h"

namespace tavik {

std::ostream& operator<<(std::ostream& os, const Rect& r) {
    return os << "{" << r.x << ", " << r.y << ", " << r.width << ", " << r.height << "}";
}

namespace {

TEST(Layout, ClientOf792By540) {
    const MainLayout l = arrange(792, 540, 110, 65, 3);
    EXPECT_EQ(l.tabStrip, (Rect{0, 0, 792, 540}));
    EXPECT_EQ(l.chatterTree, (Rect{3, 25, 110, 487}));
    EXPECT_EQ(l.messageList, (Rect{116, 25, 673, 487}));
    EXPECT_EQ(l.recipientBox, (Rect{3, 515, 110, 22}));
    EXPECT_TRUE(l.artFontBoxVisible);
    EXPECT_EQ(l.artFontBox, (Rect{116, 515, 65, 440}));
    EXPECT_EQ(l.inputLine, (Rect{184, 515, 485, 22}));
    EXPECT_EQ(l.sendButton, (Rect{669, 515, 60, 22}));
    EXPECT_EQ(l.connectButton, (Rect{729, 515, 60, 22}));
    EXPECT_EQ(l.namesListBox, l.chatterTree);  // in place of the tree, below the tabs

    const MainLayout noFonts = arrange(792, 540, 110, 65, 0);
    EXPECT_FALSE(noFonts.artFontBoxVisible);
    EXPECT_EQ(noFonts.inputLine, (Rect{116, 515, 553, 22}));
    // The input line reaches up to "Senden", with or without the art box.
    EXPECT_EQ(noFonts.inputLine.x + noFonts.inputLine.width, noFonts.sendButton.x);
    EXPECT_EQ(l.inputLine.x + l.inputLine.width, l.sendButton.x);
}

// Whatever width the settings hold, the list, the input line and both buttons
// stay on the window, and the input line keeps room to type.
TEST(Layout, StoredWidthsThatDoNotFitAreNarrowed) {
    struct Case {
        int width, treeWidth, artBoxWidth, fonts, buttonWidth;
    };
    const Case cases[] = {
        {792, 5001, 65, 0, 60},  {792, 5001, 65, 3, 60}, {792, 700, 65, 3, 60},
        {792, 110, 9000, 3, 60}, {792, -40, -7, 3, 60},  {300, 250, 65, 0, 60},
        {100, 110, 65, 3, 60},   {792, 5001, 65, 0, 75}, {1280, 1200, 65, 3, 72},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << c.width << " " << c.treeWidth << " " << c.artBoxWidth << " " << c.fonts);
        const MainLayout l = arrange(c.width, 540, c.treeWidth, c.artBoxWidth, c.fonts, c.buttonWidth);
        EXPECT_GE(l.chatterTree.width, 0);
        EXPECT_LE(l.messageList.x + l.messageList.width, c.width);
        EXPECT_GE(l.messageList.x, 0);
        EXPECT_LE(l.connectButton.x + l.connectButton.width, c.width);
        EXPECT_EQ(l.inputLine.x + l.inputLine.width, l.sendButton.x);
        if (c.width >= 2 * c.buttonWidth + 9 + MainLayout::MinInputWidth + 110) {
            EXPECT_GE(l.inputLine.width, MainLayout::MinInputWidth);
            EXPECT_GE(l.inputLine.x, l.chatterTree.x + l.chatterTree.width);
            EXPECT_GE(l.messageList.width, MainLayout::MinInputWidth);
        }
        if (c.fonts > 0) {
            EXPECT_LE(l.artFontBox.x + l.artFontBox.width, l.inputLine.x);
        }
    }
    // A width that fits is taken as it is.
    EXPECT_EQ(arrange(792, 540, 600, 65, 0).chatterTree.width, 600);
    // Wider buttons push the input line, never below the layout's 60.
    EXPECT_EQ(arrange(792, 540, 110, 65, 0, 75).sendButton, (Rect{639, 515, 75, 22}));
    EXPECT_EQ(arrange(792, 540, 110, 65, 0, 30).sendButton, (Rect{669, 515, 60, 22}));
}

TEST(Splitter, HotZoneAndDragClamping) {
    EXPECT_TRUE(Splitter::inHotZone(110, 109));
    EXPECT_TRUE(Splitter::inHotZone(110, 100));
    EXPECT_TRUE(Splitter::inHotZone(110, 118));
    EXPECT_FALSE(Splitter::inHotZone(110, 99));
    EXPECT_FALSE(Splitter::inHotZone(110, 119));

    Splitter s;
    std::int32_t tree = 110;
    EXPECT_EQ(s.mouseMove(50, 110, 792, 540, tree).cursor, SplitterCursor::Arrow);
    EXPECT_FALSE(s.buttonDown(50, 110));
    EXPECT_EQ(s.mouseMove(109, 110, 792, 540, tree).cursor, SplitterCursor::ResizeHorizontal);
    ASSERT_TRUE(s.buttonDown(109, 110));

    const auto move = s.mouseMove(201, 110, 792, 540, tree);
    EXPECT_EQ(tree, 200);
    EXPECT_EQ(move.bar, (Rect{199, 0, 3, 540}));
    EXPECT_EQ(move.cursor, SplitterCursor::Unchanged);  // outside the zone while dragging: cursor stays

    s.mouseMove(-40, 110, 792, 540, tree);  // left of the window: the low word wraps
    EXPECT_EQ(tree, 0);
    s.mouseMove(5000, 110, 792, 540, tree);
    EXPECT_EQ(tree, 782);
    EXPECT_TRUE(s.buttonUp());
    EXPECT_EQ(s.bar(), Rect{});
    EXPECT_FALSE(s.buttonUp());
}

}  // namespace
}  // namespace tavik
