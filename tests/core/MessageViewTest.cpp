#include <gtest/gtest.h>

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "fakes/ClientFixture.h"

namespace tavik::test {
namespace {

class MessageViewTest : public ClientTest {
protected:
    MessageView& view() { return client.messageView(); }
    std::vector<std::string> lastTexts(int n) {
        std::vector<std::string> out;
        for (int i = n - 1; i >= 0; --i)
            out.push_back(lastRow(i).cells[1]);
        return out;
    }
};

TEST(MessageRows, ReusedSlotsHoldExactlyTheNewCells) {
    // Slots are reused once the list is full, and a time or chat cell equal to
    // the old one is kept: texts of every short length that differ from the
    // slot's old text in one byte only must still come out new.
    MessageRows rows;
    std::vector<std::array<std::string, 4>> expected;
    for (int n = 0; n < 20 * MessageRows::Capacity; ++n) {
        // A slot comes back every Capacity rows, with a text of the same length.
        const auto pass = static_cast<std::size_t>(n / MessageRows::Capacity);
        const std::size_t length = static_cast<std::size_t>(n % MessageRows::Capacity) % 19;
        std::string chat(length, 'c');
        std::string time(length, 't');
        if (length > 0) chat[pass % length] = 'X';
        if (length > 0) time[length - 1 - pass % length] = 'Y';
        if (rows.count() == MessageRows::Capacity) {
            rows.remove(0);
            expected.erase(expected.begin());
        }
        const std::string name = "n" + std::to_string(n);
        rows.insert(rows.count(), LineKind::Public, name, "text", time, chat);
        expected.push_back({name, "text", time, chat});
        for (std::size_t column = 0; column < 4; ++column)
            ASSERT_EQ(rows.cell(rows.count() - 1, static_cast<int>(column)), expected.back()[column]) << n;
    }
    for (int i = 0; i < rows.count(); ++i)
        EXPECT_EQ(rows.row(i).cells, expected[static_cast<std::size_t>(i)]) << i;
}

TEST(MessageRows, MovingTheMarkerTellsWhatUnselectingSelectingAndMarkingTell) {
    // moveMarker against the three steps it stands for, told to an observer:
    // the marker on its own row (selected or not), to another row, beyond the rows.
    struct Log : MessageRowsObserver {
        std::vector<std::string> told;
        void selectionChanged(int row) override { told.push_back("selection " + std::to_string(row)); }
        void markerMoved(int row, int scrollTo) override {
            told.push_back("marker " + std::to_string(row) + " " + std::to_string(scrollTo));
        }
    };
    struct Case {
        int rows;
        int marker;
        bool markerSelected;
        int to;
    };
    const Case cases[] = {{5, 2, true, 2},  {5, 2, false, 2}, {5, 2, true, 3}, {5, 2, false, 0},
                          {5, 4, true, 4},  {5, 0, true, 0},  {5, 3, true, 7}, {5, 7, false, 7},
                          {5, 7, false, 1}, {0, 0, false, 0}, {1, 0, true, 0}, {5, -1, false, -1}};
    for (const Case& c : cases) {
        MessageRows expected;
        MessageRows actual;
        for (MessageRows* r : {&expected, &actual}) {
            for (int i = 0; i < c.rows; ++i)
                r->insert(i, LineKind::Public, "n", std::to_string(i), "", "");
            r->setMarker(c.marker, 0);
            r->setSelected(c.marker, c.markerSelected);
            r->setSelected(c.to, !c.markerSelected);  // the other row's selection is the other one
        }
        Log told;
        Log toldExpected;
        expected.addObserver(&toldExpected);
        actual.addObserver(&told);
        expected.setSelected(expected.marker(), false);
        expected.setSelected(c.to, true);
        expected.setMarker(c.to, 9);
        actual.moveMarker(c.to, 9);
        const std::string which = std::to_string(c.marker) + " to " + std::to_string(c.to);
        EXPECT_EQ(told.told, toldExpected.told) << which;
        EXPECT_EQ(actual.marker(), expected.marker()) << which;
        for (int i = 0; i < c.rows; ++i)
            EXPECT_EQ(actual.row(i).selected, expected.row(i).selected) << which << " row " << i;
    }
}

TEST_F(MessageViewTest, WrapsAtEightyWithTheBlankStartingTheNextPiece) {
    view().insert(-1, "A", std::string(80, 'a'), LineKind::Public);
    EXPECT_EQ(lastTexts(1), (std::vector<std::string>{std::string(80, 'a')}));

    const std::string withBlank = std::string(40, 'b') + " " + std::string(40, 'c');
    view().insert(-1, "A", withBlank, LineKind::Public);
    EXPECT_EQ(lastTexts(2), (std::vector<std::string>{std::string(40, 'b'), " " + std::string(40, 'c')}));

    view().insert(-1, "A", std::string(200, 'd'), LineKind::Public);
    EXPECT_EQ(lastTexts(3),
              (std::vector<std::string>{std::string(80, 'd'), std::string(80, 'd'), std::string(40, 'd')}));
    EXPECT_EQ(rows().count(), 500);
}

TEST_F(MessageViewTest, EachPieceEndsAtTheLastBlankOfItsEightyCharacters) {
    // One or two blanks at every place of the first piece and just beyond it,
    // held against cuts made one byte at a time.
    const auto pieces = [](std::string_view text) {
        std::vector<std::string> out;
        while (text.size() > MessageView::WrapWidth) {
            std::size_t blank = std::string_view::npos;
            for (std::size_t i = 0; i < MessageView::WrapWidth; ++i)
                if (text[i] == ' ') blank = i;
            const std::size_t cut =
                blank == std::string_view::npos || blank == 0 ? MessageView::WrapWidth : blank;
            out.emplace_back(text.substr(0, cut));
            text.remove_prefix(cut);
        }
        out.emplace_back(text);
        return out;
    };
    for (std::size_t first = 0; first < 90; ++first) {
        for (const std::size_t second :
             {first, first + 1, first + 15, first + 16, first + 17, std::size_t{79}}) {
            std::string text(170, 'w');
            text[first] = ' ';
            if (second < text.size()) text[second] = ' ';
            const std::vector<std::string> expected = pieces(text);
            view().insert(-1, "A", text, LineKind::Public);
            ASSERT_EQ(lastTexts(static_cast<int>(expected.size())), expected) << first << " " << second;
        }
    }
}

TEST_F(MessageViewTest, OnlyALeadingBlankStillAdvances) {
    // The next piece starts with the blank it was cut at; it must not be cut there again.
    const std::string text = std::string(50, 'e') + " " + std::string(100, 'f');
    view().insert(-1, "A", text, LineKind::Public);
    EXPECT_EQ(lastTexts(3), (std::vector<std::string>{std::string(50, 'e'), " " + std::string(79, 'f'),
                                                      std::string(21, 'f')}));
}

TEST_F(MessageViewTest, ClientNoticesBelongToTheNewConnectionPseudoSession) {
    view().insert(-1, "", "Hinweis", LineKind::Plain);
    EXPECT_EQ(lastRow().cells[0], " ");
    EXPECT_EQ(lastRow().cells[2], "09:05");
    EXPECT_EQ(lastRow().cells[3], "Neue Verbindung");
    EXPECT_EQ(lastRow().kind, LineKind::Plain);

    connect(7, "brenn-chat", "Gast");
    view().insert(7, "wer auch immer", "ohne Form", LineKind::Plain);
    EXPECT_EQ(lastRow().cells[0], "Gast");  // plain rows show the own nick
    view().insert(99, "X", "fremd", LineKind::Public);
    EXPECT_EQ(lastRow().cells[3], "Login");  // no session has that socket
}

TEST_F(MessageViewTest, IgnoredChattersRowsAreDroppedPerSession) {
    connect(7, "eins", "Gast");
    connect(8, "zwei", "Gast");
    client.sessions().findBySocket(7)->addChatterName("Troll");
    Session& eins = *client.sessions().findBySocket(7);
    eins.setIgnoreMark(*eins.chatterNames.find("Troll", "", false), true);
    client.sessions().findBySocket(8)->addChatterName("Troll");
    client.settings().sound = true;
    desktop.foreground = false;
    desktop.sounds.clear();

    receive(7, "<Troll> nerv\r\n");
    EXPECT_NE(lastRow().cells[1], "nerv");
    EXPECT_TRUE(desktop.sounds.empty());
    receive(8, "<TROLL> hier sichtbar\r\n");
    EXPECT_EQ(lastRow().cells[1], "hier sichtbar");
    EXPECT_EQ(desktop.sounds, (std::vector<std::string>{"CHORD.WAV"}));
}

TEST_F(MessageViewTest, FullListDropsTheOldestAndKeepsInProgressRowsLast) {
    connect(7, "eins", "Anna");
    connect(8, "zwei", "Bert");
    for (int i = 0; i < 600; ++i)
        view().insert(7, "A", "Zeile " + std::to_string(i), LineKind::Public);
    EXPECT_EQ(rows().count(), 500);
    EXPECT_EQ(rows().kind(499), LineKind::InProgress);
    EXPECT_EQ(rows().kind(498), LineKind::InProgress);
    EXPECT_EQ(rows().cell(497, 1), "Zeile 599");
    EXPECT_EQ(rows().cell(0, 1), "Zeile 102");
}

TEST_F(MessageViewTest, ModalDialogSuppressesMarkerAndSideEffects) {
    client.settings().sound = true;
    client.settings().autoTop = true;
    desktop.foreground = false;
    connect(7);
    const int marker = rows().marker();
    desktop.onDialog = [&](Dialog) {
        receive(7, "<Anna> im Dialog\r\n");
        return 1;
    };
    desktop.sounds.clear();
    desktop.toFront = 0;
    client.runModal(Dialog::About);
    EXPECT_EQ(lastRow().cells[1], "im Dialog");
    EXPECT_EQ(desktop.toFront, 0);
    EXPECT_TRUE(desktop.sounds.empty());
    EXPECT_EQ(rows().marker(), marker - 1);  // it stays on its row, which moved up

    receive(7, "<Anna> danach\r\n");
    EXPECT_EQ(desktop.toFront, 1);
    EXPECT_EQ(desktop.sounds, (std::vector<std::string>{"CHORD.WAV"}));
}

TEST_F(MessageViewTest, MarkerFillsTheRecipientBox) {
    connect(7, "brenn-chat", "Gast");
    receive(7, "<Anna> oeffentlich\r\n<*Bert*> leise\r\n");
    MessageView& v = view();
    const int publicRow = rows().count() - 3;  // above Bert's row and the in-progress row
    auto markRow = [&](int row) { v.moveMarker(row - rows().marker(), true); };

    client.settings().autoChatChange = true;
    markRow(publicRow);
    EXPECT_EQ(client.recipientBox().text(), "@brenn-chat");
    client.settings().autoChatChange = false;
    markRow(publicRow);
    EXPECT_EQ(client.recipientBox().text(), "");

    client.recipientBox().setText("unberuehrt");
    markRow(publicRow + 1);  // a whisper without Autowhisper leaves the box alone
    EXPECT_EQ(client.recipientBox().text(), "unberuehrt");
    client.settings().autowhisper = true;
    markRow(publicRow + 1);
    EXPECT_EQ(client.recipientBox().text(), "Bert");
    client.settings().autoChatChange = true;
    markRow(publicRow + 1);
    EXPECT_EQ(client.recipientBox().text(), "Bert@brenn-chat");

    v.moveMarker(-10000, true);
    EXPECT_EQ(rows().marker(), 0);
    v.moveMarker(+10000, true);
    EXPECT_EQ(rows().marker(), 499);
}

TEST_F(MessageViewTest, ClearMakesFiveHundredFillersAndMarksTheLast) {
    connect(7);
    receive(7, "<Anna> weg damit\r\n");
    client.recipientBox().setText("x");
    view().clear();
    EXPECT_EQ(rows().count(), 500);
    for (int i = 0; i < 500; ++i)
        ASSERT_EQ(rows().kind(i), LineKind::Filler);
    EXPECT_EQ(rows().marker(), 499);
    EXPECT_EQ(client.recipientBox().text(), "");
}

// Observers see every change in an order a Qt model can follow: never more than 500 rows.
TEST_F(MessageViewTest, ObserversNeverSeeMoreThanFiveHundredRows) {
    struct Counter : MessageRowsObserver {
        const MessageRows* rows = nullptr;
        int inserted = 0;
        int removed = 0;
        int maxRows = 0;
        void rowsInserted(int, int count) override {
            inserted += count;
            maxRows = std::max(maxRows, rows->count());
        }
        void rowsRemoved(int, int count) override { removed += count; }
    } counter;
    counter.rows = &rows();
    client.messageView().rows().addObserver(&counter);
    for (int i = 0; i < 50; ++i)
        view().insert(-1, "A", "x", LineKind::Public);
    client.messageView().rows().removeObserver(&counter);
    EXPECT_EQ(counter.inserted, 50);
    EXPECT_EQ(counter.removed, 50);
    EXPECT_EQ(counter.maxRows, 500);
}

}  // namespace
}  // namespace tavik::test
