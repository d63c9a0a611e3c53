#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "WorkingDirectory.h"

namespace tavik::gui {
namespace {

namespace fs = std::filesystem;
using Source = WorkingDirectory::Source;

// A fresh directory under the system's temporary directory, removed after the test.
class TempDir {
public:
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "tavik-wd-XXXXXX").string();
        m_path = ::mkdtemp(pattern.data());
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(m_path, ec);
    }
    const fs::path& path() const { return m_path; }

private:
    fs::path m_path;
};

void writeFile(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(WorkingDirectoryTest, ChoosesDirOptionThenSettingsInCurrentThenDataFolder) {
    TempDir tmp;
    const fs::path withSettings = tmp.path() / "old-setup";
    const fs::path withoutSettings = tmp.path() / "somewhere";
    const fs::path settingsIsADirectory = tmp.path() / "odd";
    const fs::path data = tmp.path() / "data";
    writeFile(withSettings / "settings.cfg", std::string(48200, '\0'));
    fs::create_directories(withoutSettings);
    fs::create_directories(settingsIsADirectory / "settings.cfg");

    struct Case {
        const char* what;
        std::optional<fs::path> dir;
        fs::path current;
        fs::path path;
        Source source;
    };
    const std::vector<Case> cases = {
        {"no option, no settings.cfg here", std::nullopt, withoutSettings, data, Source::DataFolder},
        {"no option, settings.cfg here", std::nullopt, withSettings, withSettings, Source::CurrentDirectory},
        {"settings.cfg is a directory", std::nullopt, settingsIsADirectory, data, Source::DataFolder},
        {"--dir wins over settings.cfg here", tmp.path() / "x", withSettings, tmp.path() / "x",
         Source::Option},
        {"--dir relative to the current directory", fs::path("logs/../mine"), withoutSettings,
         withoutSettings / "mine", Source::Option},
        {"--dir absolute", fs::path("/srv/chat/"), withoutSettings, fs::path("/srv/chat/"), Source::Option},
    };
    for (const Case& c : cases) {
        const WorkingDirectory chosen = chooseWorkingDirectory(c.dir, c.current, data);
        EXPECT_EQ(chosen.path, c.path) << c.what;
        EXPECT_EQ(chosen.source, c.source) << c.what;
    }
}

TEST(WorkingDirectoryTest, NewDataFolderIsOwnerOnlyAndGetsTheDefaults) {
    TempDir tmp;
    const fs::path defaults = tmp.path() / "share";
    writeFile(defaults / "fonts" / "block5.fnt", "font");
    writeFile(defaults / "inline" / "eule", "(o,o)");
    writeFile(defaults / "Sounds" / "hallo.wav", "RIFF");
    fs::create_directories(defaults / "fonts" / "not-a-font");  // only files are copied
    const fs::path folder = tmp.path() / "home" / ".local" / "share" / "TavikClient";

    EXPECT_EQ(prepareDataFolder(folder, defaults), std::nullopt);

    for (const fs::path& made : {folder, folder.parent_path(), folder.parent_path().parent_path()}) {
        EXPECT_EQ(fs::status(made).permissions() & fs::perms::all, fs::perms::owner_all) << made;
    }
    EXPECT_EQ(readFile(folder / "fonts" / "block5.fnt"), "font");
    EXPECT_EQ(readFile(folder / "inline" / "eule"), "(o,o)");
    EXPECT_EQ(readFile(folder / "Sounds" / "hallo.wav"), "RIFF");
    EXPECT_FALSE(fs::exists(folder / "fonts" / "not-a-font"));
    EXPECT_FALSE(fs::exists(folder / "settings.cfg"));  // written by the client on close, not here
}

TEST(WorkingDirectoryTest, UsersFilesAndChoicesAreKept) {
    TempDir tmp;
    const fs::path defaults = tmp.path() / "share";
    writeFile(defaults / "fonts" / "block5.fnt", "default font");
    writeFile(defaults / "fonts" / "farbe.fnt", "default farbe");
    writeFile(defaults / "inline" / "eule", "default owl");
    writeFile(defaults / "Sounds" / "hallo.wav", "default sound");

    // Before the first close: an existing directory is left alone, a missing one filled.
    const fs::path firstStart = tmp.path() / "first";
    writeFile(firstStart / "fonts" / "block5.fnt", "my font");
    fs::permissions(firstStart, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
    EXPECT_EQ(prepareDataFolder(firstStart, defaults), std::nullopt);
    EXPECT_EQ(readFile(firstStart / "fonts" / "block5.fnt"), "my font");
    EXPECT_FALSE(fs::exists(firstStart / "fonts" / "farbe.fnt"));
    EXPECT_EQ(readFile(firstStart / "inline" / "eule"), "default owl");
    // An existing folder keeps the permissions its owner gave it.
    EXPECT_EQ(fs::status(firstStart).permissions() & fs::perms::all,
              fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);

    // After a close (settings.cfg exists) a removed directory stays removed.
    const fs::path used = tmp.path() / "used";
    writeFile(used / "settings.cfg", std::string(48200, '\0'));
    EXPECT_EQ(prepareDataFolder(used, defaults), std::nullopt);
    EXPECT_FALSE(fs::exists(used / "Sounds"));
    EXPECT_FALSE(fs::exists(used / "fonts"));

    // No defaults installed (a build-tree run): an empty folder is fine.
    const fs::path bare = tmp.path() / "bare";
    EXPECT_EQ(prepareDataFolder(bare, tmp.path() / "nothing"), std::nullopt);
    EXPECT_TRUE(fs::is_directory(bare));
    EXPECT_FALSE(fs::exists(bare / "fonts"));
}

TEST(WorkingDirectoryTest, FolderThatCannotBeMadeIsReported) {
    TempDir tmp;
    writeFile(tmp.path() / "file", "x");
    const auto blocked = prepareDataFolder(tmp.path() / "file" / "TavikClient", tmp.path());
    ASSERT_TRUE(blocked.has_value());
    EXPECT_NE(blocked->find("kann nicht angelegt werden"), std::string::npos) << *blocked;
    // No home: QStandardPaths gives a relative or empty path.
    EXPECT_TRUE(prepareDataFolder(fs::path(), tmp.path()).has_value());
    EXPECT_TRUE(prepareDataFolder(fs::path(".local/share/TavikClient"), tmp.path()).has_value());
}

}  // namespace
}  // namespace tavik::gui
