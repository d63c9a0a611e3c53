#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes/ClientFixture.h"

namespace tavik::test {
namespace {

// Whoever shows the names list box hears of a chatter list read in one go
// once, not once per name: each telling sorts all entries again.
TEST(NamesListBox, ChangesOfAHoldAreToldOnceAtTheLastRelease) {
    NamesListBox names;
    int told = 0;
    names.setOnChanged([&] { ++told; });
    names.holdChanges();
    names.holdChanges();
    names.add("Bert", "h");
    names.add("Anna", "h");
    names.releaseChanges();
    EXPECT_EQ(told, 0);
    names.releaseChanges();
    EXPECT_EQ(told, 1);
    ASSERT_EQ(names.size(), 2U);
    EXPECT_EQ(names.entries()[0], "Anna@h");

    // A hold without a change tells nothing; a change outside a hold is told at once.
    names.holdChanges();
    names.releaseChanges();
    names.releaseChanges();  // one too many changes nothing
    EXPECT_EQ(told, 1);
    names.removeChat("h");
    EXPECT_EQ(told, 2);
}

class NamesListBoxReads : public ClientTest {};

TEST_F(NamesListBoxReads, AListOfThousandsOfNamesIsOneChangePerRead) {
    connect(7, "h", "Gast");
    int told = 0;
    std::size_t entriesWhenTold = 0;
    client.namesList().setOnChanged([&] {
        ++told;
        entriesWhenTold = client.namesList().entries().size();
    });
    // Three hundred channels of ten, read in one read event as the window's
    // transport hands a busy socket over.
    std::vector<std::string> lines;
    for (int channel = 0; channel < 300; ++channel) {
        std::string line = "| ";
        for (int i = 0; i < 10; ++i)
            line += (i == 0 ? "C" : ", C") + std::to_string(channel * 10 + i);
        lines.push_back(line + "      Raum" + std::to_string(channel) + "    ");
    }
    transport.feed(7, framedList(lines));
    client.receiver().beginReadEvent();
    for (int i = 0; i < 100; ++i)
        client.socketEvent(7, SocketEvent::Read, 0);
    client.receiver().endReadEvent();
    EXPECT_EQ(told, 1);
    EXPECT_GT(entriesWhenTold, 2900U);
    EXPECT_EQ(entriesWhenTold, client.namesList().size());
}

}  // namespace
}  // namespace tavik::test
