#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "net/NameList.h"
#include "platform/Files.h"

namespace tavik {

class Desktop;
class LogFile;
class MessageView;
class SessionList;
class Transport;

// The watch list: chosen chatters are announced (and greeted) when a chatter
// list shows them. Entries with an empty context are the stored ones, written
// to ChatWatch.cfg; entries whose context is a chat name belong to that chat.
class ChatWatch {
public:
    static constexpr std::size_t RecordSize = 408;     // version 2
    static constexpr std::size_t OldRecordSize = 280;  // versions 0 and 1, without the context
    static constexpr std::uint32_t Version = 2;
    static constexpr std::string_view FileName = "ChatWatch.cfg";
    // Loading takes at most this many records; a larger file is no list of ours.
    static constexpr std::size_t MaxStoredEntries = 20000;

    // Announcements go to `view`, greetings to the chatter's session; the
    // stored entries live in ChatWatch.cfg in `workingDirectory`.
    // `log` is told before the save's error box runs its loop.
    ChatWatch(Transport& transport, Desktop& desktop, SessionList& sessions, MessageView& view, LogFile& log,
              std::filesystem::path workingDirectory)
        : m_transport(transport),
          m_desktop(desktop),
          m_sessions(sessions),
          m_view(view),
          m_log(log),
          m_workingDirectory(std::move(workingDirectory)) {}

    NameList& list() { return m_list; }

    // Replaces the list with the file's entries. A missing file empties the list;
    // a file too short for its version word leaves the list as it was; records
    // beyond MaxStoredEntries are neither read nor kept.
    void load(const std::filesystem::path& file);
    // Writes the stored entries; on failure tells the user and keeps the old file.
    bool save(const std::filesystem::path& file, FileCalls& calls = nativeFileCalls());
    void save() { save(defaultFile()); }

    // The entries a file image holds, or nothing when it has no version word.
    static std::optional<NameList> parse(std::string_view bytes);
    // The version-2 image of the stored entries.
    static std::string serialize(const NameList& list);

    void chatterSeen(int socket, std::string_view name, std::string_view chatName);
    // Told of each announcement before its row is shown.
    void setOnAnnounced(std::function<void(int socket, std::string_view name)> callback) {
        m_onAnnounced = std::move(callback);
    }
    // A chatter list of `chatName` starts: its entries and the stored ones are not seen yet.
    void markAllStale(std::string_view chatName);
    void refreshPresence(std::string_view chatName);
    // The chatter is watched everywhere (a stored entry) or in `chatName`.
    bool isWatched(std::string_view name, std::string_view chatName = {});
    // Adds a per-chat entry, or removes the chatter's entry for that chat or
    // its stored entry (then the file is written).
    void toggle(std::string_view name, std::string_view chatName);

private:
    std::filesystem::path defaultFile() const;

    Transport& m_transport;
    Desktop& m_desktop;
    SessionList& m_sessions;
    MessageView& m_view;
    LogFile& m_log;
    std::filesystem::path m_workingDirectory;
    NameList m_list;
    std::function<void(int, std::string_view)> m_onAnnounced;
};

}  // namespace tavik
