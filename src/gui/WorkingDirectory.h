#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace tavik::gui {

// Where the client keeps settings.cfg, ChatWatch.cfg, LogFiles/, fonts/,
// inline/ and Sounds/. The engine is handed this directory and never looks at
// the process's current directory.
struct WorkingDirectory {
    enum class Source {
        Option,            // --dir DIR
        CurrentDirectory,  // the current directory already holds a settings.cfg
        ProgramFolder,     // the program's folder holds the portable marker
        DataFolder,        // the user's data folder
    };
    std::filesystem::path path;
    Source source = Source::DataFolder;
};

// The file whose presence beside the program makes the program's folder its
// working directory: a copy unpacked from the portable archive keeps everything
// beside itself, and leaves nothing in the user's data folder.
inline constexpr const char* PortableMarker = "portable.txt";

// The rule: --dir if given (made absolute against `current`); else `current`
// if it holds settings.cfg, so existing setups and the demo keep working;
// else `programFolder` if given and it holds the portable marker; else the
// data folder.
WorkingDirectory chooseWorkingDirectory(const std::optional<std::filesystem::path>& dirOption,
                                        const std::filesystem::path& current,
                                        const std::filesystem::path& dataFolder,
                                        const std::optional<std::filesystem::path>& programFolder = {});

// The folder of the running program file on Windows, where the portable
// archive is unpacked; nothing elsewhere (a program installed under /usr is
// never portable).
std::optional<std::filesystem::path> programFolder();

// Makes sure the data folder (or the portable program's folder) exists, creating it readable by its owner
// only. On the first start there (no settings.cfg yet) each of fonts/, inline/ and Sounds/ that is missing is
// filled from `defaults`; an existing file is never replaced. Returns an error text for the user, or nothing.
std::optional<std::string> prepareDataFolder(const std::filesystem::path& folder,
                                             const std::filesystem::path& defaults);

}  // namespace tavik::gui
