// Where the program keeps its files, with names that are not plain ASCII: on
// Windows the user's folder may be C:\Users\Jürgen, and neither the ANSI code
// page nor std::filesystem's narrow strings are a safe way there.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QString>
#include <filesystem>
#include <fstream>
#include <string>

#include "PathText.h"
#include "WorkingDirectory.h"

namespace tavik::gui {
namespace {

namespace fs = std::filesystem;
using Source = WorkingDirectory::Source;

class WorkingFolderTest : public ::testing::Test {
protected:
    WorkingFolderTest() {
        const std::string name = "tavik-wf-" + std::to_string(QCoreApplication::applicationPid()) + "-" +
                                 ::testing::UnitTest::GetInstance()->current_test_info()->name();
        m_root = fs::temp_directory_path() / name;
        fs::remove_all(m_root);
        fs::create_directories(m_root);
    }
    ~WorkingFolderTest() override {
        std::error_code ec;
        fs::remove_all(m_root, ec);
    }
    fs::path m_root;
};

void writeFile(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

TEST_F(WorkingFolderTest, NamesWithUmlautsMeanTheSameFileToQtAndToTheEngine) {
    const QString name = QStringLiteral("Jürgen Groß – Grüße");
    const fs::path folder = toPath(QDir(fromPath(m_root)).filePath(name));
    EXPECT_EQ(fromPath(folder).section(QLatin1Char('/'), -1).section(QLatin1Char('\\'), -1), name);

    // Made by std::filesystem, found by Qt under the same name, and back.
    fs::create_directory(folder);
    EXPECT_TRUE(QDir(fromPath(m_root)).entryList(QDir::Dirs | QDir::NoDotAndDotDot).contains(name));
    QFile file(QDir(fromPath(folder)).filePath(QStringLiteral("Einträge.txt")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("x");
    file.close();
    EXPECT_TRUE(fs::is_regular_file(folder / toPath(QStringLiteral("Einträge.txt"))));
    EXPECT_EQ(toPath(fromPath(folder)), folder);
    EXPECT_TRUE(toPath(QString()).empty());
}

TEST_F(WorkingFolderTest, FoldersAreShownWithTheSystemsOwnSeparators) {
    const QString shown = displayPath(toPath(QStringLiteral("C:/Users/Jörg/AppData/Roaming/TavikClient")));
#ifdef Q_OS_WIN
    EXPECT_EQ(shown, QStringLiteral("C:\\Users\\Jörg\\AppData\\Roaming\\TavikClient"));
#else
    EXPECT_EQ(shown, QStringLiteral("C:/Users/Jörg/AppData/Roaming/TavikClient"));
#endif
}

TEST_F(WorkingFolderTest, PortableMarkerBesideTheProgramKeepsTheFilesThere) {
    const fs::path program = toPath(fromPath(m_root) + QStringLiteral("/Programm für unterwegs"));
    const fs::path elsewhere = m_root / "elsewhere";
    const fs::path withSettings = m_root / "old-setup";
    const fs::path data = m_root / "data";
    fs::create_directories(program);
    fs::create_directories(elsewhere);
    writeFile(withSettings / "settings.cfg", std::string(16, '\0'));

    // No marker: the data folder, as after an installation.
    EXPECT_EQ(chooseWorkingDirectory(std::nullopt, elsewhere, data, program).source, Source::DataFolder);
    EXPECT_EQ(chooseWorkingDirectory(std::nullopt, elsewhere, data, std::nullopt).path, data);

    writeFile(program / PortableMarker, "portable");
    const WorkingDirectory portable = chooseWorkingDirectory(std::nullopt, elsewhere, data, program);
    EXPECT_EQ(portable.source, Source::ProgramFolder);
    EXPECT_EQ(portable.path, program);
    // --dir and a settings.cfg in the current directory still come first.
    EXPECT_EQ(chooseWorkingDirectory(elsewhere, elsewhere, data, program).source, Source::Option);
    EXPECT_EQ(chooseWorkingDirectory(std::nullopt, withSettings, data, program).source,
              Source::CurrentDirectory);

    // A marker that is a folder is no marker.
    fs::remove(program / PortableMarker);
    fs::create_directory(program / PortableMarker);
    EXPECT_EQ(chooseWorkingDirectory(std::nullopt, elsewhere, data, program).source, Source::DataFolder);
}

TEST_F(WorkingFolderTest, FirstStartInAFolderWithUmlautsGetsTheDefaults) {
    const fs::path defaults = m_root / "defaults";
    writeFile(defaults / "fonts" / "block5.fnt", "font");
    writeFile(defaults / "Sounds" / toPath(QStringLiteral("tschüss.wav")), "RIFF");
    const fs::path folder = toPath(fromPath(m_root) + QStringLiteral("/Jürgen/AppData/Roaming/TavikClient"));

    EXPECT_EQ(prepareDataFolder(folder, defaults), std::nullopt);
    EXPECT_TRUE(fs::is_regular_file(folder / "fonts" / "block5.fnt"));
    EXPECT_TRUE(QFile::exists(fromPath(folder) + QStringLiteral("/Sounds/tschüss.wav")));
}

TEST_F(WorkingFolderTest, AFolderThatCannotBeMadeIsReportedInGermanWithItsName) {
    const QString blocker = fromPath(m_root) + QStringLiteral("/Jürgen");
    QFile file(blocker);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));  // a file where a folder should be
    file.close();
    const auto problem = prepareDataFolder(toPath(blocker + QStringLiteral("/TavikClient")), m_root);
    ASSERT_TRUE(problem.has_value());
    const QString text = QString::fromUtf8(*problem);
    EXPECT_TRUE(text.contains(QDir::toNativeSeparators(blocker + QStringLiteral("/TavikClient"))))
        << *problem;
    EXPECT_TRUE(text.endsWith(QStringLiteral("Ein Teil des Pfades ist eine Datei, kein Ordner.")))
        << *problem;
}

#ifdef _WIN32
TEST(ProgramFolderTest, IsTheFolderOfTheRunningProgram) {
    const auto folder = programFolder();
    ASSERT_TRUE(folder.has_value());
    EXPECT_EQ(QDir(fromPath(*folder)).canonicalPath(),
              QDir(QCoreApplication::applicationDirPath()).canonicalPath());
}
#else
TEST(ProgramFolderTest, IsOnlyLookedForOnWindows) {
    EXPECT_EQ(programFolder(), std::nullopt);
}
#endif

}  // namespace
}  // namespace tavik::gui
