#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fakes/ClientFixture.h"
#include "fakes/FileChecks.h"
#include "fakes/FileFakes.h"
#include "platform/Files.h"

namespace tavik::test {
namespace {

// One stored record as the file holds it.
std::string record(std::size_t size, const std::string& name, const std::string& text, char active = 0,
                   char stale = 0, char optionA = 1, char optionB = 0) {
    std::string r(size, '\0');
    r[0] = active;
    r[1] = stale;
    r[2] = optionA;
    r[3] = optionB;
    r.replace(4, name.size(), name);
    r.replace(25, text.size(), text);
    return r;
}
std::string version(char v) {
    return std::string(1, v) + std::string(3, '\0');
}

class ChatWatchTest : public ClientTest {
protected:
    ChatWatch& watch() { return client.chatWatch(); }
    std::filesystem::path file() { return dir.path() / "ChatWatch.cfg"; }
    void addStored(const std::string& name, const std::string& greeting = "", int optionA = 1,
                   int optionB = 0) {
        if (watch().list().empty()) {
            watch().list().add(name);
        } else {
            watch().list().addOrRefresh(name);
        }
        NameEntry* e = watch().list().find(name, "", false);
        e->text = greeting;
        e->optionA = static_cast<std::uint8_t>(optionA);
        e->optionB = static_cast<std::uint8_t>(optionB);
    }
    int announcements(const std::string& name) {
        int n = 0;
        for (int i = 0; i < rows().count(); ++i) {
            if (rows().kind(i) == LineKind::Alert && rows().cell(i, 0) == name &&
                rows().cell(i, 1) == "hat den Chat betreten.") {
                ++n;
            }
        }
        return n;
    }
};

TEST_F(ChatWatchTest, FileRoundTripAndOldVersions) {
    const std::string v2 =
        version(2) + record(408, "Anna", "Hallo Anna!", 1, 0, 0, 1) + record(408, "Bert", "");
    ASSERT_TRUE(writeFileAtomically(file(), v2));
    watch().load(file());
    ASSERT_EQ(watch().list().size(), 2U);
    EXPECT_EQ(watch().list().first()->name, "Anna");  // file order is list order
    EXPECT_EQ(watch().list().first()->text, "Hallo Anna!");
    EXPECT_EQ(watch().list().first()->optionB, 1);
    ASSERT_TRUE(watch().save(file()));
    EXPECT_EQ(readFile(file()), v2);

    // A version-1 file has 280-byte records; it is saved as version 2.
    ASSERT_TRUE(
        writeFileAtomically(file(), version(1) + record(280, "Carla", "Tag") + record(280, "Dora", "")));
    watch().load(file());
    ASSERT_EQ(watch().list().size(), 2U);
    watch().save(file());
    EXPECT_EQ(readFile(file()), version(2) + record(408, "Carla", "Tag") + record(408, "Dora", ""));

    // Per-chat entries are never written; an empty list writes the version alone.
    watch().list().addWithContext("Emil", "brenn-chat");
    watch().save(file());
    EXPECT_EQ(readFile(file())->size(), 4U + 2 * 408);
    watch().list().clear();
    watch().save(file());
    EXPECT_EQ(readFile(file()), version(2));
}

TEST_F(ChatWatchTest, LoadingOddFiles) {
    addStored("Alt");
    ASSERT_TRUE(writeFileAtomically(file(), std::string("\x02\x00", 2)));
    watch().load(file());  // no whole version word: the list stays
    EXPECT_EQ(watch().list().size(), 1U);

    ASSERT_TRUE(writeFileAtomically(file(), version(7) + record(408, "Anna", "")));
    watch().load(file());  // unknown version: no records
    EXPECT_TRUE(watch().list().empty());

    // A truncated last record keeps what was read; missing bytes are defaults.
    std::string truncated =
        version(2) + record(408, "Anna", "") + record(408, "Bert", "x", 1, 1, 0, 1).substr(0, 10);
    ASSERT_TRUE(writeFileAtomically(file(), truncated));
    watch().load(file());
    ASSERT_EQ(watch().list().size(), 2U);
    EXPECT_EQ(watch().list().find("Bert", "", false)->optionA, 0);

    // Fields without a terminator are read bounded.
    std::string wild = version(2) + std::string(408, 'Z');
    ASSERT_TRUE(writeFileAtomically(file(), wild));
    watch().load(file());
    EXPECT_EQ(watch().list().first()->name, std::string(20, 'Z'));
    EXPECT_EQ(watch().list().first()->text.size(), 254U);
    EXPECT_EQ(watch().list().first()->context.size(), 127U);

    std::filesystem::remove(file());
    watch().load(file());  // missing file: empty list, no message
    EXPECT_TRUE(watch().list().empty());
    EXPECT_TRUE(desktop.boxes.empty());
}

TEST_F(ChatWatchTest, SaveIsAtomicPrivateAndReportsFailure) {
    addStored("Anna");
    ASSERT_TRUE(watch().save(file()));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "ChatWatch.cfg.tmp"));
    expectPrivateFile(file());

    // A failed save tells the user and leaves the old file whole.
    ScriptedFileCalls calls;
    calls.failAt = ScriptedFileCalls::Step::Write;
    addStored("Bert");
    EXPECT_FALSE(watch().save(file(), calls));
    ASSERT_EQ(desktop.boxes.size(), 1U);
    EXPECT_EQ(desktop.boxes[0].text, "Fehler beim Speichern von ChatWatch Daten");
    EXPECT_EQ(desktop.boxes[0].caption, "TavikClient");
    EXPECT_EQ(readFile(file())->size(), 4U + 408);
}

TEST_F(ChatWatchTest, AHugeFileIsReadOnlyAsFarAsTheListMayGo) {
    // Ten gigabytes of version-2 records (sparse on disk, all zero after the first).
    std::ofstream(file(), std::ios::binary) << version(2) << record(408, "Anna", "Hallo");
    std::filesystem::resize_file(file(), 10ULL << 30);
    watch().load(file());
    EXPECT_EQ(watch().list().size(), ChatWatch::MaxStoredEntries);
    EXPECT_EQ(watch().list().begin()->name, "Anna");
    // A list image never holds more records than a load takes.
    EXPECT_EQ(
        ChatWatch::parse(version(2) + std::string(408 * (ChatWatch::MaxStoredEntries + 5), '\0'))->size(),
        ChatWatch::MaxStoredEntries);
}

TEST_F(ChatWatchTest, AnnouncedOncePerPresenceAndPerChat) {
    addStored("Anna");
    connect(7, "eins", "Gast");
    connect(8, "zwei", "Gast");
    receive(7, listOf("eins", "Anna, Bert"));
    receive(7, listOf("eins", "Anna, Bert"));
    EXPECT_EQ(announcements("Anna"), 1);
    receive(8, listOf("zwei", "Anna"));  // watched in another chat: its own announcement
    EXPECT_EQ(announcements("Anna"), 2);
    receive(7, listOf("eins", "Bert"));        // gone ...
    receive(7, listOf("eins", "Anna, Bert"));  // ... and back
    EXPECT_EQ(announcements("Anna"), 3);
    EXPECT_EQ(announcements("Bert"), 0);
    EXPECT_NE(watch().list().find("Anna", "eins", false), nullptr);
    EXPECT_NE(watch().list().find("Anna", "zwei", false), nullptr);
}

TEST_F(ChatWatchTest, GreetingIsSentAndOnceMeansOnce) {
    addStored("Anna", "Willkommen zurueck!", /*optionA=*/1);
    addStored("Bert", "Servus", /*optionA=*/0);
    watch().save(file());
    connect(7, "eins", "Gast");
    receive(7, listOf("eins", "Anna, Bert"));
    const std::string sent = transport.sent(7);
    EXPECT_NE(sent.find("/w Anna Willkommen zurueck!\r"), std::string::npos);
    EXPECT_NE(sent.find("/w Bert Servus\r"), std::string::npos);
    // "Nur einmal schicken": the greeting is gone, also from the file.
    EXPECT_EQ(watch().list().find("Anna", "", false)->text, "");
    watch().load(file());
    EXPECT_EQ(watch().list().find("Anna", "", false)->text, "");
    EXPECT_EQ(watch().list().find("Bert", "", false)->text, "Servus");
}

TEST_F(ChatWatchTest, NotifyOnceEndsTheWatch) {
    addStored("Anna", "", 1, /*optionB=*/1);
    connect(7, "eins", "Gast");
    receive(7, listOf("eins", "Anna"));
    EXPECT_EQ(announcements("Anna"), 1);
    EXPECT_FALSE(watch().isWatched("Anna"));
    receive(7, listOf("eins", "Bert"));
    receive(7, listOf("eins", "Anna"));
    EXPECT_EQ(announcements("Anna"), 1);
}

TEST_F(ChatWatchTest, ToggleAddsAndRemovesAPerChatEntry) {
    watch().toggle("Anna", "eins");
    ASSERT_EQ(watch().list().size(), 1U);
    EXPECT_EQ(watch().list().first()->context, "eins");
    watch().toggle("anna", "EINS");
    EXPECT_TRUE(watch().list().empty());
}

TEST_F(ChatWatchTest, AskingDoesNotWatchAndRemovingAStoredEntryRemovesItFromTheFile) {
    watch().toggle("Anna", "eins");
    // The menu's label asks for every chat; asking never makes entries.
    EXPECT_TRUE(watch().isWatched("Anna", "eins"));
    EXPECT_FALSE(watch().isWatched("Anna", "zwei"));
    EXPECT_FALSE(watch().isWatched("Anna"));
    EXPECT_EQ(watch().list().size(), 1U);
    watch().toggle("Anna", "eins");
    EXPECT_TRUE(watch().list().empty());

    addStored("Bert", "Servus", 1, 0);
    watch().save();
    EXPECT_TRUE(watch().isWatched("Bert", "eins"));
    watch().toggle("Bert", "eins");
    EXPECT_FALSE(watch().isWatched("Bert", "eins"));
    watch().load(file());
    EXPECT_TRUE(watch().list().empty());
}

TEST_F(ChatWatchTest, PresenceAtStartUpComesFromTheStoredStaleMark) {
    ASSERT_TRUE(writeFileAtomically(
        file(), version(2) + record(408, "Anna", "", 0, 0) + record(408, "Bert", "", 1, 1)));
    client.loadFiles([] { return LogFont{}; });
    EXPECT_EQ(watch().list().find("Anna", "", false)->active, 1);
    EXPECT_EQ(watch().list().find("Bert", "", false)->active, 0);
}

}  // namespace
}  // namespace tavik::test
