#include "chat/LogFile.h"

#include <filesystem>

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

void putTwoDigits(char* out, int value) {
    value = value < 0 ? 0 : value % 100;
    out[0] = static_cast<char>('0' + value / 10);
    out[1] = static_cast<char>('0' + value % 10);
}

bool sameDay(const LocalTime& a, const LocalTime& b) {
    return a.year == b.year && a.month == b.month && a.day == b.day;
}

// Rows held back beyond this size go to the open file at once.
constexpr std::size_t PendingLimit = 64 * 1024;

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

bool LogFile::open(const LocalTime& day) {
    const std::filesystem::path directory = m_workingDirectory / pathFromWindows1252(Directory);
    const std::filesystem::path path = directory / pathFromWindows1252(fileName(day));
    for (int attempt = 0; attempt < 2; ++attempt) {
        m_out = openOwnerOnlyForAppending(path);
        if (m_out.isOpen()) {
            m_writeFailed = false;
            m_open = true;
            m_openDay = day;
            return true;
        }
        // The directory may be missing: made once, then the open is tried again.
        if (attempt == 0) createOwnerOnlyDirectory(directory);
    }
    failed();
    return false;
}

void LogFile::write(std::string_view name, std::string_view text, LineKind kind) {
    const LocalTime now = m_clock.now();
    // A row of the next day goes to the next day's file.
    if (m_open && !sameDay(now, m_openDay)) flush();
    if (!m_open && !open(now)) return;

    // "[hh:mm:ss] ", composed in place and appended at once.
    char stamp[] = "[00:00:00] ";
    putTwoDigits(stamp + 1, now.hour);
    putTwoDigits(stamp + 4, now.minute);
    putTwoDigits(stamp + 7, now.second);
    m_pending.append(stamp, sizeof stamp - 1);
    // The log is written in binary with explicit line ends, so it reads the same everywhere.
    formatLine(m_pending, name, text, kind, "\r\n");

    if (m_eventDepth == 0) {
        flush();
    } else if (m_pending.size() >= PendingLimit) {
        if (!m_out.writeAll(m_pending)) m_writeFailed = true;
        m_pending.clear();
    }
}

void LogFile::endEvent() {
    if (m_eventDepth > 0) --m_eventDepth;
    if (m_eventDepth == 0) flush();
}

void LogFile::flush() {
    if (!m_open) return;
    bool written = !m_writeFailed && m_out.writeAll(m_pending);
    written = m_out.close() && written;
    m_open = false;
    m_pending.clear();
    if (!written) failed();
}

void LogFile::failed() {
    m_settings.logfile = false;
    const LoopScope inBox(*this);
    m_desktop.messageBox("Log-File-Error, Logging wird abgestellt.", "TavikClient", MessageBoxStyle::Ok);
}

}  // namespace tavik
