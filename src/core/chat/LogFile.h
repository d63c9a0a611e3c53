#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <utility>

#include "net/LineKind.h"
#include "platform/Clock.h"

namespace tavik {

class Desktop;
struct Settings;

// The daily log files "LogFiles/MM.DD.YY.log": one line per shown row,
// appended, each file opened and closed per row so the day changes by itself.
class LogFile {
public:
    static constexpr std::string_view Directory = "LogFiles";

    // The files live in the folder "LogFiles" of `workingDirectory`. A failed
    // write switches `settings.logfile` off and tells the user on `desktop`.
    LogFile(Desktop& desktop, const Clock& clock, Settings& settings, std::filesystem::path workingDirectory)
        : m_desktop(desktop),
          m_clock(clock),
          m_settings(settings),
          m_workingDirectory(std::move(workingDirectory)) {}

    // "MM.DD.YY.log" for the given day.
    static std::string fileName(const LocalTime& day);
    // Appends the row as the log shows it (without the time stamp) and `lineEnd`.
    static void formatLine(std::string& buffer, std::string_view name, std::string_view text, LineKind kind,
                           std::string_view lineEnd = "\n");

    // Appends one row. When the file can neither be opened nor written, the
    // user is told once and the Logfile option goes off.
    void write(std::string_view name, std::string_view text, LineKind kind);

private:
    Desktop& m_desktop;
    const Clock& m_clock;
    Settings& m_settings;
    std::filesystem::path m_workingDirectory;
    std::string m_line;
};

}  // namespace tavik
