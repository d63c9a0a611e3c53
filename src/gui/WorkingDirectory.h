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
        DataFolder,        // the user's data folder
    };
    std::filesystem::path path;
    Source source = Source::DataFolder;
};

// The rule: --dir if given (made absolute against `current`); else `current`
// if it holds settings.cfg, so existing setups and the demo keep working;
// else the data folder.
WorkingDirectory chooseWorkingDirectory(const std::optional<std::filesystem::path>& dirOption,
                                        const std::filesystem::path& current,
                                        const std::filesystem::path& dataFolder);

// Makes sure the data folder exists, creating it readable by its owner only.
// On the first start there (no settings.cfg yet) each of fonts/, inline/ and
// Sounds/ that is missing is filled from `defaults`; an existing file is never
// replaced. Returns an error text for the user, or nothing.
std::optional<std::string> prepareDataFolder(const std::filesystem::path& folder,
                                             const std::filesystem::path& defaults);

}  // namespace tavik::gui
