#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "chat/ChatWatchDialog.h"
#include "fakes/ClientFixture.h"
#include "platform/Files.h"

namespace tavik::test {
namespace {

using Row = ChatWatchDialog::Row;

constexpr int Socket = 7;

// A stored entry as ChatWatch.cfg holds it, for comparing saved lists.
struct Stored {
    std::string name;
    std::string text;
    int optionA = 1;
    int optionB = 0;
    bool operator==(const Stored&) const = default;
};

class ChatWatchDialogTest : public ClientTest {
protected:
    ChatWatchDialogTest() { client.setCurrentSocket(Socket); }

    ChatWatchDialog& dialog() { return client.chatWatchDialog(); }
    NameList& list() { return client.chatWatch().list(); }
    std::filesystem::path file() { return dir.path() / "ChatWatch.cfg"; }

    void addStored(const std::string& name, const std::string& text = "", int optionA = 1, int optionB = 0,
                   int active = 0) {
        list().addOrRefresh(name);
        NameEntry* e = list().find(name, "", false);
        e->text = text;
        e->optionA = static_cast<std::uint8_t>(optionA);
        e->optionB = static_cast<std::uint8_t>(optionB);
        e->active = static_cast<std::uint8_t>(active);
    }
    // Fills the fields as the user would and presses "&Add / Change".
    void add(const std::string& name, const std::string& greeting = "", bool notifyOnce = false,
             bool sendOnce = true) {
        dialog().name().setText(name);
        dialog().greeting().setText(greeting);
        dialog().setNotifyOnce(notifyOnce);
        dialog().setSendOnce(sendOnce);
        dialog().addOrChange();
    }
    int rowOf(const std::string& name) {
        const auto& rows = dialog().rows();
        for (std::size_t i = 0; i < rows.size(); ++i)
            if (rows[i].name == name) return static_cast<int>(i);
        return -1;
    }
    std::vector<std::string> rowNames() {
        std::vector<std::string> out;
        for (const Row& r : dialog().rows())
            out.push_back(r.name);
        return out;
    }
    // What ChatWatch.cfg holds, read back the way the program reads it.
    std::optional<std::vector<Stored>> saved() {
        const std::optional<std::string> bytes = readFile(file());
        if (!bytes) return std::nullopt;
        std::optional<NameList> parsed = ChatWatch::parse(*bytes);
        if (!parsed) return std::nullopt;
        std::vector<Stored> out;
        for (const NameEntry& e : *parsed)
            out.push_back({e.name, e.text, e.optionA, e.optionB});
        return out;
    }
    void expectFieldsReset() {
        EXPECT_EQ(dialog().name().text(), "");
        EXPECT_EQ(dialog().greeting().text(), "");
        EXPECT_FALSE(dialog().notifyOnce());
        EXPECT_TRUE(dialog().sendOnce());
    }
};

// --- opening and rows --------------------------------------------------------

TEST_F(ChatWatchDialogTest, OpeningShowsEveryEntryAndResetsTheFields) {
    addStored("Anna", "Hallo", /*optionA=*/0, /*optionB=*/1, /*active=*/1);
    addStored("Bert");
    list().addWithContext("Carla", "eins");  // walk order: Anna, Carla, Bert
    dialog().name().setText("alt");
    dialog().greeting().setText("alt");
    dialog().setNotifyOnce(true);
    dialog().setSendOnce(false);
    int reports = 0;
    dialog().setOnChanged([&] { ++reports; });

    dialog().open();
    // Each row goes in at the top, so the walk's last entry comes first.
    EXPECT_EQ(dialog().rows(), (std::vector<Row>{{3, "Bert", "immer", "", "einmal", ""},
                                                 {3, "Carla", "immer", "", "einmal", "eins"},
                                                 {1, "Anna", "einmal", "Hallo", "immer", ""}}));
    expectFieldsReset();
    EXPECT_EQ(reports, 1);  // one report for the whole opening

    // Opening again starts over instead of adding to the old rows.
    list().clear();
    dialog().open();
    EXPECT_TRUE(dialog().rows().empty());
    dialog().setOnChanged({});
}

// --- Add / Change --------------------------------------------------------------

TEST_F(ChatWatchDialogTest, AddingPutsANewEntryOnTopAndSavesIt) {
    dialog().open();
    add("Anna", "Hallo Anna!", /*notifyOnce=*/true, /*sendOnce=*/false);
    ASSERT_EQ(list().size(), 1U);
    const NameEntry* anna = list().find("Anna", "", false);
    ASSERT_NE(anna, nullptr);
    EXPECT_EQ(anna->text, "Hallo Anna!");
    EXPECT_EQ(anna->optionA, 0);
    EXPECT_EQ(anna->optionB, 1);
    EXPECT_EQ(dialog().rows(), (std::vector<Row>{{3, "Anna", "einmal", "Hallo Anna!", "immer", ""}}));
    expectFieldsReset();
    EXPECT_EQ(saved(), (std::vector<Stored>{{"Anna", "Hallo Anna!", 0, 1}}));

    add("Bert");
    EXPECT_EQ(rowNames(), (std::vector<std::string>{"Bert", "Anna"}));
    EXPECT_EQ(dialog().rows()[0], (Row{3, "Bert", "immer", "", "einmal", ""}));
    EXPECT_EQ(saved(), (std::vector<Stored>{{"Anna", "Hallo Anna!", 0, 1}, {"Bert", "", 1, 0}}));
    EXPECT_TRUE(desktop.boxes.empty());
}

TEST_F(ChatWatchDialogTest, ChangingAnEntryMovesItsOneRowToTheTop) {
    addStored("Anna");
    addStored("Bert", "alt", 1, 0, /*active=*/1);
    addStored("Carla");
    dialog().open();
    ASSERT_EQ(rowNames(), (std::vector<std::string>{"Bert", "Carla", "Anna"}));

    // Names compare ignoring case; the row keeps the stored spelling.
    add("bERT", "neu", /*notifyOnce=*/true, /*sendOnce=*/false);
    EXPECT_EQ(rowNames(), (std::vector<std::string>{"Bert", "Carla", "Anna"}));
    EXPECT_EQ(dialog().rows()[0], (Row{1, "Bert", "einmal", "neu", "immer", ""}));
    add("anna", "Servus");
    EXPECT_EQ(rowNames(), (std::vector<std::string>{"Anna", "Bert", "Carla"}));
    EXPECT_EQ(dialog().rows()[0].text, "Servus");
    EXPECT_EQ(list().size(), 3U);
    EXPECT_EQ(saved(),
              (std::vector<Stored>{{"Anna", "Servus", 1, 0}, {"Carla", "", 1, 0}, {"Bert", "neu", 0, 1}}));
}

TEST_F(ChatWatchDialogTest, NamesAreCutAndEmptyNamesIgnored) {
    dialog().open();
    // A remark after the name is not part of it.
    add("Anna (aus Kiel)", "Moin");
    ASSERT_EQ(list().size(), 1U);
    EXPECT_EQ(list().first()->name, "Anna");
    EXPECT_EQ(rowNames(), (std::vector<std::string>{"Anna"}));
    // The name field holds 20 characters, the greeting 254.
    dialog().name().setText(std::string(30, 'n'));
    EXPECT_EQ(dialog().name().text().size(), 20U);
    dialog().greeting().setText(std::string(300, 'g'));
    EXPECT_EQ(dialog().greeting().text().size(), 254U);

    // No name (or only a remark after a blank): nothing happens, the fields stay.
    std::filesystem::remove(file());
    for (const std::string name : {"", " Anna"}) {
        add(name, "Hallo", true, false);
        EXPECT_EQ(list().size(), 1U) << name;
        EXPECT_EQ(dialog().rows().size(), 1U) << name;
        EXPECT_EQ(dialog().greeting().text(), "Hallo");
        EXPECT_TRUE(dialog().notifyOnce());
    }
    EXPECT_FALSE(std::filesystem::exists(file()));
}

// --- row click, Del, close ---------------------------------------------------------

TEST_F(ChatWatchDialogTest, ClickingARowFillsTheFieldsFromTheStoredEntry) {
    addStored("Anna", "Servus", /*optionA=*/0, /*optionB=*/1);
    addStored("Bert", "Hallo");
    dialog().open();
    dialog().clickRow(rowOf("Anna"));
    EXPECT_EQ(dialog().name().text(), "Anna");
    EXPECT_EQ(dialog().greeting().text(), "Servus");
    EXPECT_TRUE(dialog().notifyOnce());
    EXPECT_FALSE(dialog().sendOnce());
    dialog().clickRow(rowOf("Bert"));
    EXPECT_EQ(dialog().name().text(), "Bert");
    EXPECT_EQ(dialog().greeting().text(), "Hallo");
    EXPECT_FALSE(dialog().notifyOnce());
    EXPECT_TRUE(dialog().sendOnce());
    // Outside the rows: the fields stay.
    dialog().clickRow(-1);
    dialog().clickRow(2);
    EXPECT_EQ(dialog().name().text(), "Bert");
}

TEST_F(ChatWatchDialogTest, DelRemovesTheEntryItsRowAndItsRecord) {
    addStored("Anna");
    addStored("Bert");
    dialog().open();
    dialog().remove(-1);  // no row selected
    dialog().remove(2);
    EXPECT_EQ(list().size(), 2U);
    EXPECT_FALSE(std::filesystem::exists(file()));

    dialog().remove(rowOf("Bert"));
    EXPECT_EQ(rowNames(), (std::vector<std::string>{"Anna"}));
    EXPECT_EQ(saved(), (std::vector<Stored>{{"Anna", "", 1, 0}}));
    dialog().remove(0);
    EXPECT_TRUE(list().empty());
    EXPECT_TRUE(dialog().rows().empty());
    EXPECT_EQ(readFile(file()), std::string("\x02\x00\x00\x00", 4));  // the version word alone
}

TEST_F(ChatWatchDialogTest, ARowOfOneChatIsItsOwnEntry) {
    client.chatWatch().toggle("Anna", "brenn-chat");  // from the chatter's context menu
    addStored("Bert");
    dialog().open();
    // Looking at the chat's row makes no stored entry of it.
    dialog().clickRow(rowOf("Anna"));
    EXPECT_EQ(dialog().name().text(), "Anna");
    EXPECT_EQ(list().find("Anna", "", false), nullptr);
    dialog().name().setText("");
    dialog().remove(rowOf("Anna"));
    EXPECT_EQ(list().find("Anna", "brenn-chat", false), nullptr);
    EXPECT_EQ(rowNames(), (std::vector<std::string>{"Bert"}));
    EXPECT_EQ(saved(), (std::vector<Stored>{{"Bert", "", 1, 0}}));
}

TEST_F(ChatWatchDialogTest, CloseAsksTheCurrentSessionForItsChatters) {
    dialog().open();
    dialog().close();
    EXPECT_EQ(transport.sent(Socket), "/s\r");
    EXPECT_EQ(transport.sent(Socket + 1), "");
}

// --- failures and changes while open -------------------------------------------------

TEST_F(ChatWatchDialogTest, AFailedSaveTellsTheUserAndKeepsTheChange) {
    std::filesystem::create_directory(file());  // the file cannot be replaced
    dialog().open();
    add("Anna", "Hallo");
    ASSERT_EQ(desktop.boxes.size(), 1U);
    EXPECT_EQ(desktop.boxes[0].text, "Fehler beim Speichern von ChatWatch Daten");
    ASSERT_NE(list().find("Anna", "", false), nullptr);
    EXPECT_EQ(list().find("Anna", "", false)->text, "Hallo");
    EXPECT_EQ(rowNames(), (std::vector<std::string>{"Anna"}));
    expectFieldsReset();

    dialog().remove(0);
    EXPECT_EQ(desktop.boxes.size(), 2U);
    EXPECT_TRUE(list().empty());
    EXPECT_TRUE(dialog().rows().empty());
}

TEST_F(ChatWatchDialogTest, EntriesChangedByArrivalsWhileOpenAreLookedUpAgain) {
    addStored("Anna", "", 1, /*optionB=*/1);       // notify once: the arrival ends the watch
    addStored("Bert", "Hallo", /*optionA=*/1, 0);  // send once: the arrival clears the greeting
    dialog().open();
    connect(Socket, "eins", "Gast");
    receive(Socket, listOf("eins", "Anna, Bert"));
    ASSERT_EQ(list().find("Anna", "", false), nullptr);

    dialog().clickRow(rowOf("Anna"));
    EXPECT_EQ(dialog().name().text(), "");
    std::filesystem::remove(file());
    dialog().remove(rowOf("Anna"));  // gone already: nothing to delete, nothing saved
    EXPECT_NE(rowOf("Anna"), -1);
    EXPECT_FALSE(std::filesystem::exists(file()));

    dialog().clickRow(rowOf("Bert"));
    EXPECT_EQ(dialog().name().text(), "Bert");
    EXPECT_EQ(dialog().greeting().text(), "");
}

}  // namespace
}  // namespace tavik::test
