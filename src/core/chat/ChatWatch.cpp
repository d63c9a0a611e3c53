#include "chat/ChatWatch.h"

#include <algorithm>
#include <cstring>

#include "chat/LogFile.h"
#include "chat/MessageView.h"
#include "net/Session.h"
#include "platform/Desktop.h"
#include "platform/FileNames.h"
#include "platform/Files.h"
#include "platform/Transport.h"

namespace tavik {

namespace {

// A zero-terminated field of `width` bytes, read bounded: the text ends at the
// first zero or after `max` characters, whatever the bytes.
std::string_view field(std::string_view record, std::size_t offset, std::size_t width, std::size_t max) {
    if (offset >= record.size()) return {};
    std::string_view f = record.substr(offset, std::min(width, record.size() - offset));
    f = f.substr(0, std::min(f.find('\0'), max));
    return f;
}

NameEntry entryFromRecord(std::string_view record, bool withContext) {
    // Bytes a truncated record lacks keep the defaults: empty texts, default flags.
    NameEntry e;
    const auto byte = [&](std::size_t i, std::uint8_t fallback) {
        return i < record.size() ? static_cast<std::uint8_t>(record[i]) : fallback;
    };
    e.active = byte(0, 0);
    e.stale = byte(1, 0);
    e.optionA = byte(2, 1);
    e.optionB = byte(3, 0);
    e.name.assign(field(record, 4, 21, NameEntry::MaxName));
    e.text.assign(field(record, 25, 255, NameEntry::MaxText));
    if (withContext) e.context.assign(field(record, 280, 128, NameEntry::MaxContext));
    return e;
}

void putField(std::string& out, std::string_view text, std::size_t width) {
    const std::size_t n = std::min(text.size(), width - 1);
    out.append(text.data(), n);
    out.append(width - n, '\0');
}

}  // namespace

std::filesystem::path ChatWatch::defaultFile() const {
    return m_workingDirectory / pathFromWindows1252(FileName);
}

std::optional<NameList> ChatWatch::parse(std::string_view bytes) {
    if (bytes.size() < 4) return std::nullopt;
    const std::uint32_t version = static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[0])) |
                                  static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[1])) << 8 |
                                  static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[2])) << 16 |
                                  static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[3])) << 24;
    NameList list;
    std::size_t size = 0;
    if (version == 0 || version == 1) size = OldRecordSize;
    if (version == 2) size = RecordSize;
    if (size == 0) return list;
    for (std::size_t at = 4; at < bytes.size() && list.size() < MaxStoredEntries; at += size) {
        list.append(entryFromRecord(bytes.substr(at, size), size == RecordSize));
    }
    return list;
}

std::string ChatWatch::serialize(const NameList& list) {
    std::string out;
    out.append("\x02\x00\x00\x00", 4);
    for (const NameEntry& e : list) {
        if (!e.context.empty()) continue;
        out.push_back(static_cast<char>(e.active));
        out.push_back(static_cast<char>(e.stale));
        out.push_back(static_cast<char>(e.optionA));
        out.push_back(static_cast<char>(e.optionB));
        putField(out, e.name, 21);
        putField(out, e.text, 255);
        putField(out, e.context, 128);
    }
    return out;
}

void ChatWatch::load(const std::filesystem::path& file) {
    // The version word and at most MaxStoredEntries records: what lies beyond is never read.
    const BoundedRead read = readFileAtMost(file, 4 + MaxStoredEntries * RecordSize);
    if (read.status == ReadStatus::CannotOpen || read.status == ReadStatus::Failed) {
        m_list.clear();
        return;
    }
    if (std::optional<NameList> parsed = parse(read.bytes)) m_list = std::move(*parsed);
}

bool ChatWatch::save(const std::filesystem::path& file, FileCalls& calls) {
    if (writeFileAtomically(file, serialize(m_list), calls)) return true;
    const LogFile::LoopScope inBox(m_log);
    m_desktop.messageBox("Fehler beim Speichern von ChatWatch Daten", "TavikClient", MessageBoxStyle::Ok);
    return false;
}

void ChatWatch::chatterSeen(int socket, std::string_view name, std::string_view chatName) {
    if (m_list.empty()) return;  // nobody watched: nothing to look up for the whole list
    // The announcement row and a save may open a box whose loop can end the
    // session (and free its chat name) or change this list: the chat name is
    // copied, the session and the entries are looked up again after each.
    const std::string chat(chatName);
    chatName = chat;
    // The per-chat entry made here from a stored entry carries the stored entry's
    // greeting and options: what the user set in the dialog applies in every chat.
    const bool existed = m_list.find(name, chatName, false) != nullptr;
    NameEntry* entry = m_list.find(name, chatName, true);
    if (entry == nullptr) return;
    NameEntry* stored = m_list.find(name, "", false);
    if (!existed && stored != nullptr && stored != entry) {
        entry->text = stored->text;
        entry->optionA = stored->optionA;
        entry->optionB = stored->optionB;
    }
    entry->stale = 0;
    if (entry->active != 0) return;
    entry->active = 1;
    const std::string announced = entry->name;
    if (m_onAnnounced) m_onAnnounced(socket, announced);
    m_view.insert(socket, announced, "hat den Chat betreten.", LineKind::Alert);

    // The row may have run side effects; look the entries up again before using them.
    // A session that ended meanwhile gets no greeting: the watch waits for its next arrival.
    if (m_sessions.findBySocket(socket) == nullptr) return;
    entry = m_list.find(announced, chatName, false);
    stored = m_list.find(announced, "", false);
    if (entry == nullptr) return;
    if (!entry->text.empty()) {
        std::string greeting = "/w ";
        greeting += entry->name;
        greeting += ' ';
        greeting += entry->text;
        greeting += '\r';
        sendTo(m_transport, socket, greeting);
        if (entry->optionA == 1) {
            entry->text.clear();
            if (stored != nullptr && stored != entry) stored->text.clear();
            save();
            entry = m_list.find(announced, chatName, false);
            stored = m_list.find(announced, "", false);
            if (entry == nullptr) return;
        }
    }
    if (entry->optionB == 1) {
        // "Notify only once": the watch ends with this announcement, for the stored entry too.
        if (stored != nullptr && stored != entry) m_list.remove(stored);
        m_list.remove(entry);
    }
}

void ChatWatch::markAllStale(std::string_view chatName) {
    for (NameEntry& e : m_list) {
        if (e.context.empty() || e.context == chatName) e.stale = 1;
    }
}

void ChatWatch::refreshPresence(std::string_view chatName) {
    for (NameEntry& e : m_list) {
        if (e.context == chatName) e.active = e.stale != 0 ? 0 : 1;
    }
}

bool ChatWatch::isWatched(std::string_view name, std::string_view chatName) {
    // A plain lookup: asking must not make entries.
    if (m_list.find(name, "", false) != nullptr) return true;
    return !chatName.empty() && m_list.find(name, chatName, false) != nullptr;
}

void ChatWatch::toggle(std::string_view name, std::string_view chatName) {
    NameEntry* entry = m_list.find(name, chatName, false);
    // "vom ChatWatch entfernen" for a chatter watched through a stored entry
    // removes that entry, from the file too, or it would be back at the next start.
    if (entry == nullptr && !chatName.empty()) entry = m_list.find(name, "", false);
    if (entry == nullptr) {
        m_list.addWithContext(name, chatName);
        return;
    }
    const bool stored = entry->context.empty();
    m_list.remove(entry);
    if (stored) save();
}

}  // namespace tavik
