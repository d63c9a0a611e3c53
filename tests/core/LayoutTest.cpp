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
    EXPECT_EQ(l.namesListBox, (Rect{0, 0, 110, 487}));

    const MainLayout noFonts = arrange(792, 540, 110, 65, 0);
    EXPECT_FALSE(noFonts.artFontBoxVisible);
    EXPECT_EQ(noFonts.inputLine, (Rect{116, 515, 553, 22}));
    // The input line reaches up to "Senden", with or without the art box.
    EXPECT_EQ(noFonts.inputLine.x + noFonts.inputLine.width, noFonts.sendButton.x);
    EXPECT_EQ(l.inputLine.x + l.inputLine.width, l.sendButton.x);
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
