#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "chat/LogFile.h"
#include "fakes/ClientFixture.h"
#include "fakes/FileChecks.h"
#include "platform/FileNames.h"
#include "platform/Files.h"

namespace tavik::test {
namespace {

class LogFileTest : public ClientTest {
protected:
    std::filesystem::path todaysLog() { return dir.path() / "LogFiles" / "02.03.02.log"; }
};

TEST_F(LogFileTest, FormatsEveryKind) {
    struct Case {
        LineKind kind;
        std::string line;
    };
    const Case cases[] = {
        {LineKind::WhisperIn, "<From Anna> Hallo\n"},
        {LineKind::Public, "<Anna> Hallo\n"},
        {LineKind::Event, "--> Anna Hallo\n"},
        {LineKind::WhisperOut, "<To Anna> Hallo\n"},
        {LineKind::Notice, ">>> Anna Hallo\n"},
        {LineKind::Alert, "IN <Anna> Hallo\n"},
        {LineKind::Plain, "Hallo\n"},
        {LineKind::InProgress, "Hallo\n"},
    };
    for (const Case& c : cases) {
        std::string buffer;
        LogFile::formatLine(buffer, "Anna", "Hallo", c.kind);
        EXPECT_EQ(buffer, c.line);
    }
    EXPECT_EQ(LogFile::fileName(LocalTime{2002, 2, 3, 9, 5, 7}), "02.03.02.log");
    EXPECT_EQ(LogFile::fileName(LocalTime{2026, 12, 31, 0, 0, 0}), "12.31.26.log");
}

TEST_F(LogFileTest, RowsAreAppendedToTheDaysFile) {
    client.settings().logfile = true;
    connect(7);
    receive(7, "<Anna> Hallo du\r\n");
    client.messageView().insert(-1, "", "Hinweis", LineKind::Plain);
    // A wrapped row gives one line per piece, each with its own stamp and prefix.
    client.messageView().insert(7, "Bert", std::string(100, 'x'), LineKind::WhisperIn);
    EXPECT_EQ(readFile(todaysLog()),
              "[09:05:07] <Anna> Hallo du\r\n[09:05:07] Hinweis\r\n[09:05:07] <From Bert> " +
                  std::string(80, 'x') + "\r\n[09:05:07] <From Bert> " + std::string(20, 'x') + "\r\n");
    expectPrivateFile(todaysLog());
    // In-progress rows and rows under a modal dialog are not logged.
    receive(7, "halbe Zeile");
    EXPECT_EQ(readFile(todaysLog())->find("halbe"), std::string::npos);
}

TEST_F(LogFileTest, UnwritableLogSwitchesLoggingOffOnce) {
    client.settings().logfile = true;
    std::ofstream(dir.path() / "LogFiles") << "a file where the directory should be";
    client.messageView().insert(-1, "", "eins", LineKind::Plain);
    client.messageView().insert(-1, "", "zwei", LineKind::Plain);
    ASSERT_EQ(desktop.boxes.size(), 1U);
    EXPECT_EQ(desktop.boxes[0].text, "Log-File-Error, Logging wird abgestellt.");
    EXPECT_EQ(desktop.boxes[0].caption, "TavikClient");
    EXPECT_FALSE(client.settings().logfile);
}

TEST_F(LogFileTest, AFailedWriteIsTreatedLikeAFailedOpen) {
    if (!std::filesystem::exists("/dev/full"))
        GTEST_SKIP() << "needs /dev/full, a file that opens but refuses every write; this system has none";
    client.settings().logfile = true;
    std::filesystem::create_directories(dir.path() / "LogFiles");
    std::filesystem::create_symlink("/dev/full", todaysLog());
    client.messageView().insert(-1, "", "passt nicht mehr", LineKind::Plain);
    ASSERT_EQ(desktop.boxes.size(), 1U);
    EXPECT_FALSE(client.settings().logfile);
}

TEST_F(LogFileTest, ReadLoopsBracketedAsOneEventShareOneOpenOfTheFile) {
    client.settings().logfile = true;
    connect(7);
    client.receiver().beginReadEvent();
    receive(7, "<Anna> eins\r\n");
    receive(7, "<Bert> zwei\r\n");
    // Opened with the event's first row, written when the event ends.
    EXPECT_EQ(readFile(todaysLog()), "");
    client.receiver().endReadEvent();
    EXPECT_EQ(readFile(todaysLog()), "[09:05:07] <Anna> eins\r\n[09:05:07] <Bert> zwei\r\n");
    // A row outside any event is written at once.
    client.messageView().insert(-1, "", "drei", LineKind::Plain);
    EXPECT_EQ(readFile(todaysLog()),
              "[09:05:07] <Anna> eins\r\n[09:05:07] <Bert> zwei\r\n[09:05:07] drei\r\n");
}

TEST_F(LogFileTest, ARowAfterMidnightGoesToTheNextDaysFile) {
    client.settings().logfile = true;
    connect(7);
    client.receiver().beginReadEvent();
    receive(7, "<Anna> vor Mitternacht\r\n");
    clock.time = LocalTime{2002, 2, 4, 0, 0, 1};
    receive(7, "<Anna> danach\r\n");
    client.receiver().endReadEvent();
    EXPECT_EQ(readFile(todaysLog()), "[09:05:07] <Anna> vor Mitternacht\r\n");
    EXPECT_EQ(readFile(dir.path() / "LogFiles" / "02.04.02.log"), "[00:00:01] <Anna> danach\r\n");
}

TEST_F(LogFileTest, ABoxInsideAReadEventFindsTheEarlierRowsWrittenAndTheOrderKept) {
    client.settings().logfile = true;
    // ChatWatch.cfg cannot be written: greeting a watched chatter saves the list and opens a box.
    std::filesystem::create_directory(dir.path() / "ChatWatch.cfg");
    NameList& watched = client.chatWatch().list();
    watched.add("Anna");
    NameEntry* anna = watched.find("Anna", "", false);
    anna->text = "Willkommen";
    anna->optionA = 1;
    connect(7, "eins");
    std::optional<std::string> seenInBox;
    desktop.onMessageBox = [&](const FakeDesktop::Box&) {
        seenInBox = readFile(todaysLog());
        // Rows inside the box's loop are written at once, after the earlier ones.
        client.messageView().insert(-1, "", "im Kasten", LineKind::Plain);
    };
    receive(7, "<Bert> vorher\r\n" + listOf("eins", "Anna, Clara") + "<Bert> nachher\r\n");
    ASSERT_EQ(desktop.boxes.size(), 1U);
    EXPECT_EQ(desktop.boxes[0].text, "Fehler beim Speichern von ChatWatch Daten");
    const std::string before = "[09:05:07] <Bert> vorher\r\n[09:05:07] IN <Anna> hat den Chat betreten.\r\n";
    EXPECT_EQ(seenInBox, before);
    EXPECT_EQ(readFile(todaysLog()), before + "[09:05:07] im Kasten\r\n[09:05:07] <Bert> nachher\r\n");
}

TEST_F(LogFileTest, ADialogInsideAReadEventFindsTheEarlierRowsWritten) {
    client.settings().logfile = true;
    connect(7);
    std::optional<std::string> seenInDialog;
    desktop.onDialog = [&](Dialog) {
        seenInDialog = readFile(todaysLog());
        return 2;
    };
    receive(7, "<Anna> eins\r\n>>> Dieser Name wird bereits benutzt. Bitte gib einen anderen Namen ein.\r\n");
    ASSERT_EQ(desktop.dialogs.size(), 1U);
    EXPECT_EQ(seenInDialog, "[09:05:07] <Anna> eins\r\n");
}

TEST_F(LogFileTest, AFailedWriteAtTheEndOfAReadEventIsReportedOnce) {
    if (!std::filesystem::exists("/dev/full"))
        GTEST_SKIP() << "needs /dev/full, a file that opens but refuses every write; this system has none";
    client.settings().logfile = true;
    std::filesystem::create_directories(dir.path() / "LogFiles");
    std::filesystem::create_symlink("/dev/full", todaysLog());
    connect(7);
    receive(7, "<Anna> eins\r\n<Bert> zwei\r\n");
    receive(7, "<Anna> drei\r\n");
    ASSERT_EQ(desktop.boxes.size(), 1U);
    EXPECT_EQ(desktop.boxes[0].text, "Log-File-Error, Logging wird abgestellt.");
    EXPECT_FALSE(client.settings().logfile);
    EXPECT_EQ(lastRow().cells[1], "drei");  // the rows are all shown
}

class SoundTest : public ClientTest {
protected:
    SoundTest() {
        client.settings().sound = true;
        std::filesystem::create_directories(dir.path() / "Sounds");
    }
    std::filesystem::path soundsDir() const { return dir.path() / "Sounds"; }
    void addSound(const std::string& name) {
        std::ofstream(soundsDir() / pathFromWindows1252(name)) << "RIFF";
    }
    // The Windows-1252 names of the files played; the desktop gets UTF-8 paths.
    std::vector<std::string> played() {
        std::vector<std::string> out;
        for (const std::string& s : desktop.sounds) {
            const std::filesystem::path path(std::u8string(s.begin(), s.end()));
            EXPECT_TRUE(std::filesystem::exists(path)) << s;
            out.push_back(windows1252FromPath(path.filename()).value_or("?"));
        }
        return out;
    }
};

TEST_F(SoundTest, WordsWithFilesPlayInOrderEachStoppingTheLast) {
    addSound("hallo.wav");
    addSound("Tsch\xFC\xDF.wav");
    addSound(
        "Gr\xDF"
        "e.wav");
    addSound("\x80.wav");  // the euro sign
    client.messageView().insert(-1, "Anna",
                                "HALLO! Gr\xDF"
                                "e, tsch\xFC\xDF \x80",
                                LineKind::Public);
    // "ü" separates words, so «tschüß» is «tsch» and «ß» and finds nothing; «Grße» (ß is a letter) is one
    // word.
    EXPECT_EQ(played(), (std::vector<std::string>{"hallo.wav",
                                                  "Gr\xDF"
                                                  "e.wav",
                                                  "\x80.wav"}));
    EXPECT_EQ(desktop.soundStops, 3);
}

TEST_F(SoundTest, EmptyWordsAndTheChord) {
    addSound(".wav");
    client.messageView().insert(-1, "Anna", "a, b", LineKind::Public);  // ", " holds an empty word
    EXPECT_EQ(played(), (std::vector<std::string>{".wav"}));

    desktop.sounds.clear();
    desktop.foreground = false;
    client.messageView().insert(-1, "Anna", "ohne", LineKind::Public);
    EXPECT_EQ(desktop.sounds, (std::vector<std::string>{"CHORD.WAV"}));

    desktop.sounds.clear();
    client.settings().sound = false;
    client.messageView().insert(-1, "Anna", "a, b", LineKind::Public);
    EXPECT_TRUE(desktop.sounds.empty());
}

TEST_F(SoundTest, FilesAddedWhileRunningAreFound) {
    client.messageView().insert(-1, "Anna", "neu", LineKind::Public);
    EXPECT_TRUE(played().empty());
    // The directory's time stamp is coarse (whole seconds on Windows): a file
    // added within the same tick leaves it unchanged.
    const auto stamp = std::filesystem::last_write_time(soundsDir());
    addSound("NEU.wav");
    std::error_code ec;
    std::filesystem::last_write_time(soundsDir(), stamp, ec);
    client.messageView().insert(-1, "Anna", "neu", LineKind::Public);
    EXPECT_EQ(played(), (std::vector<std::string>{"NEU.wav"}));
}

TEST(SoundSeparators, FortyTwoOfThem) {
    int n = 0;
    for (int c = 0; c < 256; ++c)
        n += Sound::isSeparator(static_cast<unsigned char>(c)) ? 1 : 0;
    EXPECT_EQ(n, 42);
    EXPECT_TRUE(Sound::isSeparator(0xFC));   // ü
    EXPECT_FALSE(Sound::isSeparator(0xDC));  // Ü belongs to words
    EXPECT_FALSE(Sound::isSeparator('\''));
}

class AwayTest : public ClientTest {
protected:
    AwayTest() { connect(7, "brenn-chat", "Gast"); }
};

TEST_F(AwayTest, CommandSetsAndClears) {
    EXPECT_TRUE(client.away().handleCommand("/aw"));
    EXPECT_EQ(lastRow().cells[1], "Away Message geloescht.");
    EXPECT_TRUE(client.away().handleCommand("/AWAY bin essen"));
    EXPECT_EQ(client.away().message(), " bin essen");
    EXPECT_EQ(lastRow().cells[1], "Away Message gesetzt.");
    EXPECT_EQ(lastRow().cells[3], "Neue Verbindung");
    EXPECT_FALSE(client.away().handleCommand("/a bin da"));
    EXPECT_FALSE(client.away().handleCommand("hallo /aw"));
}

TEST_F(AwayTest, RepliesOncePerChatterToLinesAddressedToUs) {
    client.away().handleCommand("/aw bin essen");
    receive(7, "<*Anna*> bist du da?\r\n<*Anna*> hallo?\r\n<Bert> Tag\r\n<*Anna*> huhu\r\n");
    // Anna again after Bert: not within the same minute.
    EXPECT_EQ(transport.sent(7), "/w Anna bin essen\n\r/w Bert bin essen\n\r");

    // Notices, events, own lines and lines without a name get no answer.
    transport.clearSent();
    receive(7, ">>> Server faehrt runter.\r\n--> Carla kommt.\r\n<Gast> meine Zeile\r\n-- Trenner\r\n");
    EXPECT_EQ(transport.sent(7), "");

    // After coming back and leaving again everybody is answered anew.
    client.away().handleCommand("/aw");
    receive(7, "<Anna> x\r\n");
    client.away().handleCommand("/aw weg");
    receive(7, "<Anna> y\r\n");
    EXPECT_EQ(transport.sent(7), "/w Anna weg\n\r");
}

TEST_F(AwayTest, RepliesGoToTheSessionTheLineCameFrom) {
    connect(8, "anderer", "Gast");
    client.setCurrentSocket(8);
    client.away().handleCommand("/aw weg");
    receive(7, "<*Anna*> hallo\r\n");
    EXPECT_EQ(transport.sent(7), "/w Anna weg\n\r");
    EXPECT_EQ(transport.sent(8), "");
}

class IgnoreTest : public ClientTest {
protected:
    IgnoreTest() {
        connect(7, "eins", "Gast");
        connect(8, "zwei", "Gast");
        client.setOwnNick("Gast");
        receive(7, "/s\r\n+-\r\n| Anna, Gast      Lobby   \r\n+-\r\n+-\r\n");
        transport.clearSent();
    }
    Session& eins() { return *client.sessions().findBySocket(7); }
};

TEST_F(IgnoreTest, ToggleAnnouncesOnTheChattersOwnSession) {
    client.setCurrentSocket(8);  // another tab is in front
    client.ignoreList().toggle(&eins(), "Anna", "eins");
    EXPECT_TRUE(client.ignoreList().isIgnored(eins(), "anna"));
    client.ignoreList().toggle(&eins(), "Anna", "eins");
    EXPECT_FALSE(client.ignoreList().isIgnored(eins(), "Anna"));
    EXPECT_EQ(transport.sent(7), "/a ignoriert Anna.\r/s\r/a ignoriert Anna nicht mehr.\r/s\r");
    EXPECT_EQ(transport.sent(8), "");

    client.settings().announceIgnore = false;
    client.ignoreList().toggle(&eins(), "Anna", "eins");
    EXPECT_EQ(transport.sent(7).substr(transport.sent(7).size() - 3), "/s\r");
    receive(7, "<Anna> sieht keiner\r\n");
    EXPECT_NE(lastRow().cells[1], "sieht keiner");
    receive(8, "<Anna> hier schon\r\n");
    EXPECT_EQ(lastRow().cells[1], "hier schon");
}

TEST_F(IgnoreTest, TheOwnNickAndSessionsWithoutListsAreLeftAlone) {
    client.ignoreList().toggle(&eins(), "GAST", "eins");
    EXPECT_FALSE(client.ignoreList().isIgnored(eins(), "Gast"));
    client.ignoreList().toggle(client.sessions().findBySocket(8), "Anna", "zwei");
    client.ignoreList().toggle(nullptr, "Anna", "eins");
    EXPECT_EQ(transport.sent(7), "");
    EXPECT_EQ(transport.sent(8), "");
}

}  // namespace
}  // namespace tavik::test
