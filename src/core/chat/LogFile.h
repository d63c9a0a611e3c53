#pragma once

#include <string>
#include <string_view>

#include "net/LineKind.h"
#include "platform/Clock.h"

namespace tavik {

class Client;

// The daily log files "LogFiles/MM.DD.YY.log": one line per shown row,
// appended, each file opened and closed per row so the day changes by itself.
class LogFile {
public:
    static constexpr std::string_view Directory = "LogFiles";

    explicit LogFile(Client& client) : m_client(client) {}

    // "MM.DD.YY.log" for the given day.
    static std::string fileName(const LocalTime& day);
    // Appends the row as the log shows it (without the time stamp) and `lineEnd`.
    static void formatLine(std::string& buffer, std::string_view name, std::string_view text, LineKind kind,
                           std::string_view lineEnd = "\n");

    // Appends one row. When the file can neither be opened nor written, the
    // user is told once and the Logfile option goes off.
    void write(std::string_view name, std::string_view text, LineKind kind);

private:
    Client& m_client;
    std::string m_line;
};

}  // namespace tavik
