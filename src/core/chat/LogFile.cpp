#include "chat/LogFile.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#include "config/Settings.h"
#include "platform/Desktop.h"
#include "platform/FileNames.h"

namespace tavik {

namespace {

void appendTwoDigits(std::string& out, int value) {
    value = value < 0 ? 0 : value % 100;
    out.push_back(static_cast<char>('0' + value / 10));
    out.push_back(static_cast<char>('0' + value % 10));
}

enum class AppendResult { Written, OpenFailed, WriteFailed };

AppendResult appendTo(const std::filesystem::path& path, std::string_view bytes) {
    std::error_code ec;
    const bool existed = std::filesystem::exists(path, ec);
    std::ofstream out(path, std::ios::binary | std::ios::app);
    if (!out) return AppendResult::OpenFailed;
    if (!existed) {
        // The logs hold private whispers: readable by their owner only. On POSIX
        // that is mode 0600. Windows has no mode bits: our files are made in the
        // user's own folder, whose default rights already keep other users out,
        // and this call only makes sure the file is not read-only.
        std::filesystem::permissions(path,
                                     std::filesystem::perms::owner_read | std::filesystem::perms::owner_write,
                                     std::filesystem::perm_options::replace, ec);
    }
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.flush();
    return out ? AppendResult::Written : AppendResult::WriteFailed;
}

}  // namespace

std::string LogFile::fileName(const LocalTime& day) {
    std::string name;
    appendTwoDigits(name, day.month);
    name += '.';
    appendTwoDigits(name, day.day);
    name += '.';
    appendTwoDigits(name, day.year);
    name += ".log";
    return name;
}

void LogFile::formatLine(std::string& buffer, std::string_view name, std::string_view text, LineKind kind,
                         std::string_view lineEnd) {
    switch (kind) {
        case LineKind::WhisperIn:
            buffer += "<From ";
            buffer += name;
            buffer += "> ";
            break;
        case LineKind::Public:
            buffer += '<';
            buffer += name;
            buffer += "> ";
            break;
        case LineKind::Event:
            buffer += "--> ";
            buffer += name;
            buffer += ' ';
            break;
        case LineKind::WhisperOut:
            buffer += "<To ";
            buffer += name;
            buffer += "> ";
            break;
        case LineKind::Notice:
            buffer += ">>> ";
            buffer += name;
            buffer += ' ';
            break;
        case LineKind::Alert:
            buffer += "IN <";
            buffer += name;
            buffer += "> ";
            break;
        default:
            break;
    }
    buffer += text;
    buffer += lineEnd;
}

void LogFile::write(std::string_view name, std::string_view text, LineKind kind) {
    const LocalTime now = m_clock.now();
    const std::filesystem::path directory = m_workingDirectory / pathFromWindows1252(Directory);
    const std::filesystem::path path = directory / pathFromWindows1252(fileName(now));

    m_line.assign(1, '[');
    appendTwoDigits(m_line, now.hour);
    m_line += ':';
    appendTwoDigits(m_line, now.minute);
    m_line += ':';
    appendTwoDigits(m_line, now.second);
    m_line += "] ";
    // The log is written in binary with explicit line ends, so it reads the same everywhere.
    formatLine(m_line, name, text, kind, "\r\n");

    AppendResult result = appendTo(path, m_line);
    if (result == AppendResult::OpenFailed) {
        std::error_code ec;
        std::filesystem::create_directories(directory, ec);
        result = appendTo(path, m_line);
    }
    if (result != AppendResult::Written) {
        m_settings.logfile = false;
        m_desktop.messageBox("Log-File-Error, Logging wird abgestellt.", "TavikClient", MessageBoxStyle::Ok);
    }
}

}  // namespace tavik
