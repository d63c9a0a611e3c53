#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "fakes/ClientFixture.h"
#include "fakes/FileChecks.h"
#include "fakes/FileFakes.h"
#include "platform/Files.h"

namespace tavik::test {
namespace {

namespace fs = std::filesystem;

std::set<std::string> filesIn(const fs::path& directory) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(directory))
        names.insert(entry.path().filename().string());
    return names;
}

constexpr fs::perms OwnerOnly = fs::perms::owner_read | fs::perms::owner_write;

TEST(AtomicWrite, ReplacesTheFileDurablyAndOwnerOnlyFromTheStart) {
    TempDir dir;
    const fs::path file = dir.path() / "settings.cfg";
    std::ofstream(file) << "alt";
    fs::permissions(file, fs::perms::all);
    ScriptedFileCalls calls;
#ifdef _WIN32
    const bool written = writeFileAtomically(file, std::string("neu\0neu", 7), calls);
#else
    // A permissive umask must not open a moment in which others could read the file.
    const mode_t oldMask = ::umask(0);
    const bool written = writeFileAtomically(file, std::string("neu\0neu", 7), calls);
    ::umask(oldMask);
#endif

    ASSERT_TRUE(written);
    EXPECT_EQ(readFile(file), std::string("neu\0neu", 7));
    expectPrivateFile(file);
    ASSERT_EQ(calls.permsAtCreation.size(), 1u);
#ifndef _WIN32
    // Windows has no mode bits; its files are private by the folder they lie in.
    EXPECT_EQ(calls.permsAtCreation[0] & fs::perms::all, OwnerOnly);
#endif
    // Synced before the rename, and the rename synced through its directory.
    EXPECT_EQ(calls.calls,
              (std::vector<std::string>{"create", "write", "sync", "close", "rename", "syncDirectory"}));
    EXPECT_EQ(filesIn(dir.path()), (std::set<std::string>{"settings.cfg"}));
    // The temporary lies beside the target, under a name of its own.
    ASSERT_EQ(calls.created.size(), 1u);
    EXPECT_EQ(calls.created[0].parent_path(), dir.path());
    EXPECT_NE(calls.created[0], file);
}

TEST(AtomicWrite, AFailureAnywhereKeepsTheOldFileAndLeavesNoTemporary) {
    using Step = ScriptedFileCalls::Step;
    struct Case {
        Step step;
        std::vector<std::string> calls;
    };
    const Case cases[] = {
        {Step::Create, {"create"}},
        {Step::Write, {"create", "write", "close", "remove"}},
        {Step::Sync, {"create", "write", "sync", "close", "remove"}},
        {Step::Close, {"create", "write", "sync", "close", "remove"}},
        {Step::Rename, {"create", "write", "sync", "close", "rename", "remove"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.step));
        TempDir dir;
        const fs::path file = dir.path() / "ChatWatch.cfg";
        std::ofstream(file) << "der alte Inhalt";
        ScriptedFileCalls calls;
        calls.failAt = c.step;
        EXPECT_FALSE(writeFileAtomically(file, std::string(100000, 'n'), calls));
        EXPECT_EQ(calls.calls, c.calls);
        EXPECT_EQ(readFile(file), "der alte Inhalt");
        EXPECT_EQ(filesIn(dir.path()), (std::set<std::string>{"ChatWatch.cfg"}));
    }
}

TEST(AtomicWrite, AnUnsyncedDirectoryIsReportedAsAFailure) {
    TempDir dir;
    const fs::path file = dir.path() / "settings.cfg";
    ScriptedFileCalls calls;
    calls.failAt = ScriptedFileCalls::Step::SyncDirectory;
    EXPECT_FALSE(writeFileAtomically(file, "neu", calls));
    // The rename had happened: the new file is whole, only its durability is unsure.
    EXPECT_EQ(readFile(file), "neu");
    EXPECT_EQ(filesIn(dir.path()), (std::set<std::string>{"settings.cfg"}));
}

TEST(AtomicWrite, EveryWriteUsesATemporaryNameNoOtherWriterHolds) {
    TempDir dir;
    const fs::path file = dir.path() / "settings.cfg";
    // A stale temporary of a crashed run, or another writer's, is never opened again.
    ScriptedFileCalls calls;
    calls.takenNames = 3;
    ASSERT_TRUE(writeFileAtomically(file, "eins", calls));
    ASSERT_TRUE(writeFileAtomically(file, "zwei", calls));
    EXPECT_EQ(readFile(file), "zwei");
    ASSERT_EQ(calls.created.size(), 5u);
    EXPECT_EQ(std::set<fs::path>(calls.created.begin(), calls.created.end()).size(), 5u);
    for (const fs::path& name : calls.created)
        EXPECT_NE(name.filename(), "settings.cfg.tmp");
    EXPECT_EQ(filesIn(dir.path()), (std::set<std::string>{"settings.cfg"}));

    // A file sitting on a temporary name stays as it is.
    std::ofstream(calls.created[0]) << "fremd";
    ASSERT_TRUE(writeFileAtomically(file, "drei", nativeFileCalls()));
    EXPECT_EQ(readFile(calls.created[0]), "fremd");
}

TEST(BoundedRead, ReadsNoMoreThanOneBytePastTheLimit) {
    TempDir dir;
    struct Case {
        std::size_t size;
        ReadStatus status;
        std::size_t kept;
    };
    const Case cases[] = {
        {0, ReadStatus::Read, 0},         {99, ReadStatus::Read, 99},          {100, ReadStatus::Read, 100},
        {101, ReadStatus::TooLarge, 100}, {200000, ReadStatus::TooLarge, 100},
    };
    for (const Case& c : cases) {
        // Appended, not «"f" + std::to_string(...)»: GCC 12 at -O3 sees an overlap
        // in that operator's insert that cannot happen (a false -Wrestrict).
        std::string name = "f";
        name += std::to_string(c.size);
        const fs::path file = dir.path() / name;
        std::ofstream(file, std::ios::binary) << std::string(c.size, 'x');
        const BoundedRead read = readFileAtMost(file, 100);
        EXPECT_EQ(read.status, c.status) << c.size;
        EXPECT_EQ(read.bytes, std::string(c.kept, 'x')) << c.size;
    }
    EXPECT_EQ(readFileAtMost(dir.path() / "fehlt", 100).status, ReadStatus::CannotOpen);
    EXPECT_EQ(readFileAtMost(dir.path(), 100).status, ReadStatus::CannotOpen);
}

}  // namespace
}  // namespace tavik::test
