// The chatter list straight from the room, read back by the client's rules, and
// the control lines that move chatters without a connection.
#include <gtest/gtest.h>

#include <memory>

#include "ChatRoom.h"
#include "Control.h"
#include "ServerHarness.h"

namespace tavik::servertest {
namespace {

using server::ChatRoom;

struct FakeOutlet : server::Outlet {
    void send(std::string_view bytes) override { received.append(bytes); }
    void close() override { closed = true; }
    std::string received;
    bool closed = false;
};

struct Entry {
    std::string nick;
    std::vector<std::string> commands;  // typed after the login
};

class Room {
public:
    explicit Room(const std::vector<Entry>& entries) {
        for (const Entry& e : entries) {
            auto& outlet = *m_outlets.emplace_back(std::make_unique<FakeOutlet>());
            int id = m_room.connect(outlet);
            m_room.input(id, e.nick);
            for (const auto& command : e.commands)
                m_room.input(id, command);
        }
    }

    std::vector<std::string> listLines() const {
        std::vector<std::string> lines;
        for (const auto& line : m_room.chatterList()) {
            EXPECT_LT(line.size(), 250u) << line;
            lines.push_back(stripEscapes(line));
        }
        return lines;
    }

private:
    ChatRoom m_room;
    std::vector<std::unique_ptr<FakeOutlet>> m_outlets;
};

std::vector<Entry> crowd(int count, const std::string& stem, const std::vector<std::string>& commands = {}) {
    std::vector<Entry> entries;
    for (int i = 0; i < count; ++i)
        entries.push_back({stem + std::to_string(100 + i), commands});
    return entries;
}

std::vector<std::string> names(int count, const std::string& stem, const std::string& remark = "") {
    std::vector<std::string> out;
    for (int i = 0; i < count; ++i)
        out.push_back(stem + std::to_string(100 + i) + remark);
    return out;
}

TEST(ChatterList, ReadsBackAsTheClientReadsIt) {
    struct Case {
        std::string name;
        std::vector<Entry> chatters;
        std::vector<ListedChannel> expected;
    };
    std::vector<Entry> mixed = {
        {"Fran\xE7ois", {}},
        {"a.b-c_d!", {"/weg"}},
        {"Zweiter", {"/c Hinterzimmer geheim"}},
        {"Dritte", {"/c Garage x", "/weg bin (gleich) da, ok"}},
    };
    auto longAway = crowd(30, "Abwesende_Nummer_", {"/weg Mittagessen"});
    const Case cases[] = {
        {"nobody", {}, {}},
        {"one", {{"Gast", {}}}, {{"Lobby", false, {"Gast"}}}},
        {"mixed",
         mixed,
         {{"Lobby", false, {"Fran\xE7ois", "a.b-c_d! (weg)"}},
          {"Hinterzimmer", true, {"Zweiter"}},
          {"Garage", true, {"Dritte (bin gleich da ok)"}}}},
        {"forty long names",
         crowd(40, "Zwanzig_Zeichen_N"),
         {{"Lobby", false, names(40, "Zwanzig_Zeichen_N")}}},
        {"thirty with remarks",
         longAway,
         {{"Lobby", false, names(30, "Abwesende_Nummer_", " (Mittagessen)")}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Room room(c.chatters);
        auto lines = room.listLines();
        auto read = readChatterList(lines);
        ASSERT_TRUE(read);
        EXPECT_EQ(*read, c.expected);
    }
}

TEST(ChatterList, HeaderEndsItsFirstWordAtABlank) {
    // The client takes anything up to "," or a blank as a name unless the line is a
    // header, so the header's first word must not run into a name character run.
    Room room(std::vector<Entry>{{"Gast", {}}});
    auto lines = room.listLines();
    ASSERT_GE(lines.size(), 2u);
    const std::string& header = lines[1];
    EXPECT_TRUE(header.starts_with("| Chatter und Chatterinnen ")) << header;
}

TEST(Control, LinesMayArriveInPiecesAndBadOnesAreReportedOneByOne) {
    ChatRoom room;
    FakeOutlet outlet;
    room.input(room.connect(outlet), "Gast");
    server::Control control(room);
    EXPECT_TRUE(control.receive("enter Ro").empty());
    EXPECT_EQ(room.findByNick("Robo"), nullptr) << "half a line waits for its end";
    EXPECT_EQ(control.receive("bo\nas Gast Hallo\r\n\nleave\nas Robo zwei  Blanks\nwink Robo\n"),
              (std::vector<std::string>{"control: no Gast without a connection in the chat",
                                        "control: leave needs a nick", "control: unknown command wink"}));
    const std::string seen = stripEscapes(outlet.received);
    EXPECT_NE(seen.find("--> Robo kommt in den Chat.\n"), std::string::npos);
    EXPECT_NE(seen.find("<Robo> zwei  Blanks\n"), std::string::npos);
    EXPECT_EQ(seen.find("<Gast> Hallo"), std::string::npos);
}

}  // namespace
}  // namespace tavik::servertest
