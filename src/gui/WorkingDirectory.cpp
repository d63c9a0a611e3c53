#include "WorkingDirectory.h"

#include <array>
#include <string_view>
#include <system_error>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

#include "config/Settings.h"

namespace tavik::gui {

namespace fs = std::filesystem;

WorkingDirectory chooseWorkingDirectory(const std::optional<fs::path>& dirOption, const fs::path& current,
                                        const fs::path& dataFolder,
                                        const std::optional<fs::path>& programFolder) {
    if (dirOption) {
        // Relative to where the user typed it, and kept absolute from then on.
        const fs::path dir = dirOption->is_absolute() ? *dirOption : current / *dirOption;
        return {dir.lexically_normal(), WorkingDirectory::Source::Option};
    }
    std::error_code ec;
    if (fs::is_regular_file(current / Settings::FileName, ec))
        return {current, WorkingDirectory::Source::CurrentDirectory};
    if (programFolder && fs::is_regular_file(*programFolder / PortableMarker, ec))
        return {*programFolder, WorkingDirectory::Source::ProgramFolder};
    return {dataFolder, WorkingDirectory::Source::DataFolder};
}

std::optional<fs::path> programFolder() {
#ifdef _WIN32
    // Long paths are allowed to be longer than MAX_PATH; grow until it fits.
    std::vector<wchar_t> name(MAX_PATH);
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
        if (length == 0) return std::nullopt;
        if (length < name.size()) return fs::path(std::wstring(name.data(), length)).parent_path();
        name.resize(name.size() * 2);
    }
#else
    return std::nullopt;
#endif
}

namespace {

// A folder's name as the user writes it on this system, in UTF-8.
std::string displayName(fs::path folder) {
    const std::u8string name = folder.make_preferred().u8string();
    return {name.begin(), name.end()};
}

// Why a folder cannot be made, in the program's language; the system's own
// texts are English (and on Windows in the ANSI code page) whatever the user reads.
std::string reason(const std::error_code& ec) {
    const std::error_condition condition = ec.default_error_condition();
    if (condition == std::errc::permission_denied || condition == std::errc::operation_not_permitted)
        return "Zugriff verweigert.";
    if (condition == std::errc::read_only_file_system) return "Der Datenträger ist schreibgeschützt.";
    if (condition == std::errc::no_space_on_device) return "Der Datenträger ist voll.";
    if (condition == std::errc::not_a_directory || condition == std::errc::file_exists)
        return "Ein Teil des Pfades ist eine Datei, kein Ordner.";
    if (condition == std::errc::no_such_file_or_directory) return "Ein Teil des Pfades fehlt.";
    if (condition == std::errc::filename_too_long) return "Der Pfad ist zu lang.";
    return ec.message();
}

// Copies the regular files of `from` into `to`, which is created; a file that
// is already there stays as it is.
void copyDefaults(const fs::path& from, const fs::path& to) {
    std::error_code ec;
    if (!fs::is_directory(from, ec)) return;
    fs::create_directory(to, ec);
    if (ec) return;
    for (fs::directory_iterator it(from, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code fileError;
        if (!it->is_regular_file(fileError)) continue;
        fs::copy_file(it->path(), to / it->path().filename(), fs::copy_options::skip_existing, fileError);
    }
}

}  // namespace

std::optional<std::string> prepareDataFolder(const fs::path& folder, const fs::path& defaults) {
    if (!folder.is_absolute()) return "Es gibt keinen Datenordner (ist HOME gesetzt?).";
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) {
        // Chat logs and the watch list are nobody else's business: every
        // directory made on the way (~/.local/share too, if it is missing) is
        // its owner's only.
        // From the root on: a bare drive name ("C:") is no directory to Windows.
        fs::path partial = folder.root_path();
        for (const fs::path& part : folder.relative_path()) {
            partial /= part;
            if (fs::is_directory(partial, ec)) continue;
            std::error_code again;
            if (!fs::create_directory(partial, ec) && !fs::is_directory(partial, again)) {
                return "Der Datenordner " + displayName(folder) +
                       " kann nicht angelegt werden: " + reason(ec);
            }
            fs::permissions(partial, fs::perms::owner_all, fs::perm_options::replace, ec);
        }
    }
    if (fs::exists(folder / Settings::FileName, ec)) return std::nullopt;
    for (const std::string_view name : std::array<std::string_view, 3>{"fonts", "inline", "Sounds"}) {
        if (!fs::exists(folder / name, ec)) copyDefaults(defaults / name, folder / name);
    }
    return std::nullopt;
}

}  // namespace tavik::gui
