#include "app/Layout.h"

#include <algorithm>

namespace tavik {

MainLayout arrange(int width, int height, int treeWidth, int artBoxWidth, int artFontCount, int buttonWidth) {
    constexpr int h = MainLayout::ControlHeight;
    const int b = std::max(buttonWidth, MainLayout::ButtonWidth);
    const int w = width;
    const bool fonts = artFontCount > 0;
    // What the bottom row needs besides the tree: the margins, both buttons and the input line.
    const int room = std::max(0, w - 2 * b - (fonts ? 12 : 9) - MainLayout::MinInputWidth);
    const int f = fonts ? std::clamp(artBoxWidth, 0, room) : artBoxWidth;
    const int t = std::clamp(treeWidth, 0, std::max(0, room - (fonts ? f : 0)));
    const int bottom = height - h - 3;

    MainLayout l;
    l.tabStrip = {0, 0, w, height};
    l.chatterTree = {3, h + 3, t, height - 2 * h - 9};
    l.messageList = {t + 6, h + 3, w - t - 9, height - 2 * h - 9};
    l.recipientBox = {3, bottom, t, h};
    l.sendButton = {w - 2 * b - 3, bottom, b, h};
    l.connectButton = {w - b - 3, bottom, b, h};
    l.artFontBoxVisible = fonts;
    if (l.artFontBoxVisible) {
        l.artFontBox = {t + 6, bottom, f, 20 * h};
        l.inputLine = {t + f + 9, bottom, w - 2 * b - t - f - 12, h};
    } else {
        l.inputLine = {t + 6, bottom, w - 2 * b - t - 9, h};
    }
    // The completion list stands exactly where the tree stands, below the tab row.
    l.namesListBox = l.chatterTree;
    return l;
}

bool Splitter::inHotZone(int treeWindowWidth, int x) {
    const int w = treeWindowWidth - 1;
    return x - 10 < w && w < x + 10;
}

Splitter::Move Splitter::mouseMove(int x, int treeWindowWidth, int clientWidth, int clientHeight,
                                   std::int32_t& treeWidth) {
    const int px = static_cast<std::uint16_t>(x);
    Move move;
    if (inHotZone(treeWindowWidth, px)) {
        move.cursor = SplitterCursor::ResizeHorizontal;
    } else if (!m_dragging) {
        move.cursor = SplitterCursor::Arrow;
    }
    if (m_dragging) {
        treeWidth = px - 1;
        if (treeWidth < 0 || treeWidth > 50000) treeWidth = 0;
        if (treeWidth > clientWidth - 10) treeWidth = clientWidth - 10;
        m_bar = {treeWidth - 1, 0, 3, clientHeight};
        move.bar = m_bar;
    }
    return move;
}

bool Splitter::buttonDown(int x, int treeWindowWidth) {
    if (!inHotZone(treeWindowWidth, static_cast<std::uint16_t>(x))) return false;
    m_dragging = true;
    return true;
}

bool Splitter::buttonUp() {
    const bool ended = m_dragging;
    m_dragging = false;
    if (ended) m_bar = {};
    return ended;
}

}  // namespace tavik
