// What the program finds under its file names is not always a file: a FIFO
// must neither hang a start nor a connected window, a planted link must not
// steer the whispers of the log elsewhere, and what a killed save left behind
// must not lie there for good.

#include <gtest/gtest.h>
#ifndef _WIN32
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <future>
#include <set>
#include <string>
#include <vector>

#include "chat/ChatWatch.h"
#include "chat/Sound.h"
#include "config/Settings.h"
#include "fakes/ClientFixture.h"
#include "fakes/FileChecks.h"
#include "fakes/FileFakes.h"
#include "platform/Files.h"

namespace tavik::test {
namespace {

namespace fs = std::filesystem;

void writeFile(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::set<std::string> filesIn(const fs::path& directory) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(directory))
        names.insert(entry.path().filename().string());
    return names;
}

#ifndef _WIN32

// Runs `call` and tells whether it came back by itself. One that waits on the
// FIFO is freed after a few seconds by opening the FIFO's other end, so a
// fault fails the test instead of hanging it.
template <class Call>
bool returnsWithoutWaiting(const fs::path& fifo, Call call) {
    std::future<void> done = std::async(std::launch::async, call);
    if (done.wait_for(std::chrono::seconds(5)) == std::future_status::ready) return true;
    // A reader waits for a writer: one that comes and goes gives it the end of the file.
    int other = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
    if (other >= 0) {
        ::close(other);
    } else {
        // A writer waits for a reader, who stays until the bytes are in.
        other = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    }
    done.wait();
    if (other >= 0) ::close(other);
    return false;
}

TEST(SafeOpen, WhatIsNoRegularFileIsRefusedWithoutWaiting) {
    TempDir dir;
    const fs::path fifo = dir.path() / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    fs::create_directory(dir.path() / "folder");
    for (const fs::path& path :
         {fifo, dir.path() / "folder", fs::path("/dev/null"), dir.path() / "missing"}) {
        EXPECT_TRUE(returnsWithoutWaiting(fifo, [&] {
            EXPECT_FALSE(openForReading(path).isOpen()) << path;
            EXPECT_FALSE(readFile(path)) << path;
            EXPECT_EQ(readFileAtMost(path, 100).status, ReadStatus::CannotOpen) << path;
        })) << path;
        // A missing file is made when appended to; everything else is refused.
        if (path.filename() == "missing") continue;
        EXPECT_TRUE(returnsWithoutWaiting(fifo, [&] {
            EXPECT_FALSE(openOwnerOnlyForAppending(path).isOpen()) << path;
        })) << path;
    }

    // A link to a regular file is read like that file.
    writeFile(dir.path() / "real", "Inhalt");
    fs::create_symlink(dir.path() / "real", dir.path() / "link");
    EXPECT_EQ(readFile(dir.path() / "link"), "Inhalt");
    const BoundedRead read = readFileAtMost(dir.path() / "link", 3);
    EXPECT_EQ(read.status, ReadStatus::TooLarge);
    EXPECT_EQ(read.bytes, "Inh");
}

TEST(SafeOpen, AFifoAsAFileOfTheStartIsTakenForAMissingOne) {
    TempDir dir;
    const fs::path settingsFile = dir.path() / "settings.cfg";
    const fs::path watchFile = dir.path() / "ChatWatch.cfg";
    ASSERT_EQ(::mkfifo(settingsFile.c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo(watchFile.c_str(), 0600), 0);
    FakeDesktop desktop;
    Settings settings;
    bool loaded = true;
    EXPECT_TRUE(
        returnsWithoutWaiting(settingsFile, [&] { loaded = settings.load(settingsFile, desktop, nullptr); }));
    // A first start, with its notice.
    EXPECT_FALSE(loaded);
    ASSERT_EQ(desktop.boxes.size(), 1u);
    EXPECT_EQ(desktop.boxes[0].caption, "TavikTelnet");

    FakeTransport transport;
    FakeClock clock;
    Client client(transport, desktop, clock, dir.path());
    EXPECT_TRUE(returnsWithoutWaiting(watchFile, [&] { client.chatWatch().load(watchFile); }));
    EXPECT_TRUE(client.chatWatch().list().empty());
}

class LogFileSafety : public ClientTest {
protected:
    LogFileSafety() { client.settings().logfile = true; }
    fs::path logs() const { return dir.path() / "LogFiles"; }
    fs::path todaysLog() const { return logs() / "02.03.02.log"; }
    void logRow(const std::string& text) { client.messageView().insert(-1, "", text, LineKind::Plain); }
    void expectLogFailureNotice() {
        ASSERT_EQ(desktop.boxes.size(), 1u);
        EXPECT_EQ(desktop.boxes[0].text, "Log-File-Error, Logging wird abgestellt.");
        EXPECT_FALSE(client.settings().logfile);
    }
};

TEST_F(LogFileSafety, AFifoAsTodaysLogGetsTheFailureNoticeWithoutWaiting) {
    fs::create_directory(logs());
    ASSERT_EQ(::mkfifo(todaysLog().c_str(), 0600), 0);
    connect(7);
    EXPECT_TRUE(returnsWithoutWaiting(todaysLog(), [&] { receive(7, "<Anna> geheim\r\n"); }));
    expectLogFailureNotice();
}

TEST_F(LogFileSafety, ALinkAsTodaysLogOrAsTheFolderIsNeverWrittenThrough) {
    struct Case {
        const char* what;
        bool linkedFolder;
        bool dangling;
    };
    const Case cases[] = {
        {"a link to another file", false, false},
        {"a dangling link", false, true},
        {"LogFiles a link to another folder", true, false},
    };
    for (const Case& c : cases) {
        fs::remove_all(logs());
        const fs::path elsewhere = dir.path() / "elsewhere";
        fs::remove_all(elsewhere);
        fs::create_directory(elsewhere);
        const fs::path target = elsewhere / "02.03.02.log";
        if (!c.dangling) writeFile(target, "fremd\n");
        if (c.linkedFolder) {
            fs::create_directory_symlink(elsewhere, logs());
        } else {
            fs::create_directory(logs());
            fs::create_symlink(target, todaysLog());
        }
        desktop.boxes.clear();
        client.settings().logfile = true;

        logRow("geheim");

        expectLogFailureNotice();
        if (c.dangling) {
            EXPECT_FALSE(fs::exists(target)) << c.what;
        } else {
            EXPECT_EQ(readFile(target), "fremd\n") << c.what;
        }
        EXPECT_TRUE(fs::is_symlink(c.linkedFolder ? logs() : todaysLog())) << c.what;
    }
}

TEST_F(LogFileSafety, LogsAreOwnerOnlyFromTheirFirstByte) {
    // However permissive the user's umask, the folder and a new log are private at once.
    const mode_t oldMask = ::umask(0);
    logRow("eins");
    ::umask(oldMask);
    EXPECT_EQ(fs::status(logs()).permissions() & fs::perms::all, fs::perms::owner_all);
    expectPrivateFile(todaysLog());
    EXPECT_EQ(readFile(todaysLog()), "[09:05:07] eins\r\n");

    // An existing log that others could read is made private as rows are added.
    fs::permissions(todaysLog(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                                     fs::perms::others_read);
    logRow("zwei");
    expectPrivateFile(todaysLog());
    EXPECT_EQ(readFile(todaysLog()), "[09:05:07] eins\r\n[09:05:07] zwei\r\n");
    EXPECT_TRUE(desktop.boxes.empty());
    EXPECT_TRUE(client.settings().logfile);
}

TEST_F(LogFileSafety, AWriteRefusedAfterTheOpenGetsTheSameNotice) {
    logRow("eins");
    ASSERT_TRUE(desktop.boxes.empty());
    // The system refuses to let a file of ours grow beyond the log's size now,
    // as a full disk would; the signal it would send is not wanted here.
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = static_cast<rlim_t>(fs::file_size(todaysLog()));
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    logRow("zwei");
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    expectLogFailureNotice();
    EXPECT_EQ(readFile(todaysLog()), "[09:05:07] eins\r\n");
}

TEST(SafeOpen, AWordSoundThatIsNoRegularFileIsNotPlayed) {
    TempDir dir;
    fs::create_directory(dir.path() / "Sounds");
    ASSERT_EQ(::mkfifo((dir.path() / "Sounds" / "hallo.wav").c_str(), 0600), 0);
    fs::create_directory(dir.path() / "Sounds" / "du.wav");
    writeFile(dir.path() / "Sounds" / "tag.wav", "RIFF");
    FakeDesktop desktop;
    Sound sound(desktop, dir.path());
    sound.playWordSounds("hallo du tag");
    ASSERT_EQ(desktop.sounds.size(), 1u);
    EXPECT_EQ(fs::path(desktop.sounds[0]).filename(), "tag.wav");
}

TEST(StaleTemporaries, NativeCallsTellARunningProcessFromAGoneOne) {
    FileCalls& calls = nativeFileCalls();
    EXPECT_TRUE(calls.processExists(calls.processId()));
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) ::_exit(0);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_FALSE(calls.processExists(child));
    // Numbers no single process has are never taken for a gone one.
    EXPECT_TRUE(calls.processExists(0));
    EXPECT_TRUE(calls.processExists(-1));
    EXPECT_TRUE(calls.processExists(1LL << 40));
}

TEST_F(ClientTest, TheStartSweepsTheTemporariesOfBothFiles) {
    // The number of a child that has come and gone.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) ::_exit(0);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    const std::string gone = ".tmp-" + std::to_string(child) + "-0";
    const std::string ours = ".tmp-" + std::to_string(nativeFileCalls().processId()) + "-0";
    for (const std::string file : {"settings.cfg", "ChatWatch.cfg"}) {
        writeFile(dir.path() / (file + gone), "halb");
        writeFile(dir.path() / (file + ours), "halb");
    }
    client.loadFiles([] { return LogFont{}; });
    const std::set<std::string> files = filesIn(dir.path());
    for (const std::string file : {"settings.cfg", "ChatWatch.cfg"}) {
        EXPECT_EQ(files.count(file + gone), 0u) << file;
        // Our own process runs: its files are left to it.
        EXPECT_EQ(files.count(file + ours), 1u) << file;
    }
}

#endif  // !_WIN32

TEST(StaleTemporaries, OnlyOurOwnNamesOfGoneProcessesAreRemoved) {
    TempDir dir;
    const fs::path settingsFile = dir.path() / "settings.cfg";
    writeFile(settingsFile, "echt");
    const std::vector<std::string> removed = {"settings.cfg.tmp-4711-0", "settings.cfg.tmp-4711-12",
                                              "settings.cfg.tmp-99999999999-3"};
    const std::vector<std::string> kept = {
        "settings.cfg.tmp-42-0",  // its process still runs
        "settings.cfg.tmp-4711",
        "settings.cfg.tmp-4711-",
        "settings.cfg.tmp--1",
        "settings.cfg.tmp-47a1-0",
        "settings.cfg.tmp-4711-0.bak",
        "settings.cfg.tmp-4711-0-1",
        "settings.cfg.tmp-+4711-0",
        "xsettings.cfg.tmp-4711-0",
#ifndef _WIN32
        "settings.cfg.TMP-4711-0",  // on Windows the same name as settings.cfg.tmp-4711-0
#endif
        "ChatWatch.cfg.tmp-4711-0",                 // another file's, swept with that file
        "settings.cfg.tmp-99999999999999999999-0",  // no process has such a number
    };
    for (const auto& name : removed)
        writeFile(dir.path() / name, "halb");
    for (const auto& name : kept)
        writeFile(dir.path() / name, "halb");
    // A folder or a link under one of our names is not ours; a link is never followed.
    fs::create_directory(dir.path() / "settings.cfg.tmp-4711-7");
    std::error_code ec;
    const bool links = makeSymlink(settingsFile, dir.path() / "settings.cfg.tmp-4711-8", ec);

    ScriptedFileCalls calls;
    calls.runningProcesses = {42};
    removeStaleTemporaryFiles(settingsFile, calls);

    std::set<std::string> expected(kept.begin(), kept.end());
    expected.insert({"settings.cfg", "settings.cfg.tmp-4711-7"});
    if (links) expected.insert("settings.cfg.tmp-4711-8");
    EXPECT_EQ(filesIn(dir.path()), expected);
    EXPECT_EQ(readFile(settingsFile), "echt");
    // Only the names that passed every other check cost a look at the process table.
    const std::multiset<long long> asked(calls.askedProcesses.begin(), calls.askedProcesses.end());
    EXPECT_EQ(asked, (std::multiset<long long>{42, 4711, 4711, 99999999999}));
}

}  // namespace
}  // namespace tavik::test
