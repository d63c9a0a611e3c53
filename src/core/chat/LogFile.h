#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <utility>

#include "net/LineKind.h"
#include "platform/Clock.h"
#include "platform/Files.h"

namespace tavik {

class Desktop;
struct Settings;

// The daily log files "LogFiles/MM.DD.YY.log": one line per shown row,
// appended. The file is open only while rows are written, so it can be read or
// moved while the client runs and the day changes by itself: a row outside a
// read event is written at once; the rows of one read event share one open of
// the file and are written when the event ends, or earlier when a box or
// dialog is about to run its loop (flush).
class LogFile {
public:
    static constexpr std::string_view Directory = "LogFiles";

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

    // Appends one row, stamped with the time it is taken. When the file can
    // neither be opened nor written, the user is told once and the Logfile
    // option goes off. The file is opened with the event's first row, so a file
    // that cannot be opened is reported at that row. The logs hold private
    // whispers: the folder and the files are their owner's only, and a link
    // (as the file or as LogFiles) or anything but a regular file counts as a
    // file that cannot be opened.
    void write(std::string_view name, std::string_view text, LineKind kind);

    // A read event begins or ends; events inside events count as one, whose
    // end writes the rows held back and closes the file.
    void beginEvent() { ++m_eventDepth; }
    void endEvent();
    // Writes the rows held back and closes the file.
    void flush();

    // Held while a box or a dialog runs its loop: the rows held back are
    // written first, and inside the loop rows are logged as outside any event
    // (at once, or with a read event of their own); the events around it go on
    // afterwards.
    class LoopScope {
    public:
        explicit LoopScope(LogFile& log) : m_log(log), m_depth(log.m_eventDepth) {
            log.m_eventDepth = 0;
            log.flush();
        }
        LoopScope(const LoopScope&) = delete;
        LoopScope& operator=(const LoopScope&) = delete;
        ~LoopScope() { m_log.m_eventDepth = m_depth; }

    private:
        LogFile& m_log;
        int m_depth;
    };

private:
    bool open(const LocalTime& day);
    void failed();

    Desktop& m_desktop;
    const Clock& m_clock;
    Settings& m_settings;
    std::filesystem::path m_workingDirectory;
    // Rows formatted but not written yet; only while the file is open.
    std::string m_pending;
    OpenFile m_out;
    bool m_writeFailed = false;
    bool m_open = false;
    LocalTime m_openDay;
    int m_eventDepth = 0;
};

}  // namespace tavik
