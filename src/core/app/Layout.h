#pragma once

#include <cstdint>
#include <optional>

namespace tavik {

struct Rect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const Rect&) const = default;
};

// Where MainWindow's controls go for a client area of a given size.
struct MainLayout {
    static constexpr int ControlHeight = 22;
    static constexpr int ButtonWidth = 60;
    static constexpr int Margin = 3;
    // The input line keeps at least this width whatever the stored widths say.
    static constexpr int MinInputWidth = 40;

    Rect tabStrip;
    Rect chatterTree;
    Rect messageList;
    Rect recipientBox;
    Rect artFontBox;  // its height includes the drop-down part
    bool artFontBoxVisible = false;
    Rect inputLine;
    Rect sendButton;
    Rect connectButton;
    Rect namesListBox;  // in place of the tree while a completion is open
};

// The layout for client size W x H, tree width T, art box width F and n art fonts
// (the art box is hidden when there are none). The two buttons are `buttonWidth`
// wide, never narrower than ButtonWidth. A stored tree or art box width that does
// not fit (saved on a wider screen, or damaged) is narrowed for the layout, so the
// list, the input line and the splitter always stay on the window; the stored
// value itself is left alone.
MainLayout arrange(int width, int height, int treeWidth, int artBoxWidth, int artFontCount,
                   int buttonWidth = MainLayout::ButtonWidth);

enum class SplitterCursor { Unchanged, Arrow, ResizeHorizontal };

// The vertical splitter between the chatter tree and the message list. While
// dragging only an inverted bar moves; the controls follow when the button is
// released. Positions are the low word of the mouse message, so a pointer left
// of the window arrives as a large unsigned value.
class Splitter {
public:
    struct Move {
        SplitterCursor cursor = SplitterCursor::Unchanged;
        std::optional<Rect> bar;  // the bar to draw now (the previous one is erased)
    };

    // The pointer is in the hot zone within 9 pixels of the tree's right edge.
    static bool inHotZone(int treeWindowWidth, int x);

    Move mouseMove(int x, int treeWindowWidth, int clientWidth, int clientHeight, std::int32_t& treeWidth);
    // True when a drag starts (the window captures the mouse).
    bool buttonDown(int x, int treeWindowWidth);
    // True when a drag ended: erase the bar, arrange, release the capture.
    bool buttonUp();

    bool dragging() const { return m_dragging; }
    // The bar drawn last; all zero when none is drawn.
    const Rect& bar() const { return m_bar; }

private:
    bool m_dragging = false;
    Rect m_bar;
};

}  // namespace tavik
