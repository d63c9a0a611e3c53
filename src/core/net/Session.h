#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "net/Escapes.h"
#include "net/NameList.h"
#include "net/TreeItemId.h"
#include "platform/Transport.h"
#include "text/Text.h"

namespace tavik {

// Where a session's stream stands in the server's framed chatter list. Each
// session keeps its own: the keep-alive asks every server at the same moment
// and their answers interleave line by line.
struct ChatterListState {
    bool listShown = false;  // the coming list is shown as rows
    bool helpShown = false;  // "+" and "|" lines are help text, not a list
    int plusLines = 0;       // "+" lines since the last "/s" or "/S" echo
    int namesOnLine = 0;     // chatters counted for the channel being read
    int chattersListed = 0;  // chatters in the list being read
    bool reading = false;    // between a list's header and the "+" line that closes it
    TreeItemId currentChannelItem = NoItem;
};

// One connection to a chat server.
struct Session {
    static constexpr std::size_t MaxChatName = 127;
    static constexpr std::size_t MaxNick = 127;
    // A receive takes at most this many bytes; the partial line never grows beyond it.
    static constexpr std::size_t ReceiveSize = 254;

    Session() = default;
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Given by the SessionList, never reused while the program runs: the link
    // of the session's tab, which no rename can break.
    int id = 0;
    std::string chatName;
    std::string nick;
    int socket = NoSocket;
    TreeItemId treeItem = NoItem;
    int tabIndex = 0;
    NameList channels;
    NameList chatterNames;  // every chatter listed in this session; the ignore marks live here
    // Set by the first ignore mark given here (see setIgnoreMark). Until then
    // every entry of chatterNames is unmarked and has no context, so no chatter
    // is ignored and the lookup of a row's name can be skipped.
    bool ignoreMarksTouched = false;

    // Received bytes not consumed yet: receiveBuffer[receiveBegin, receiveEnd).
    // A receive fills at most ReceiveSize bytes; the slack after them may be
    // read (never used) by the line's stripper, sixteen bytes at a time.
    static constexpr std::size_t ReadSlack = 16;
    std::array<char, ReceiveSize + ReadSlack> receiveBuffer{};
    std::size_t receiveBegin = 0;
    std::size_t receiveEnd = 0;
    // The beginning of a line whose line feed has not arrived yet.
    std::string partialLine;
    // partialLine as the stripper leaves it: its cleaned bytes (the first
    // partialCleanedLength) and where an escape sequence cut at its end stands.
    // The line goes on from there when its next bytes arrive, without a second
    // pass over the bytes of the partial line.
    // (Whole sixteen-byte blocks, so copies of it need neither a call nor a loop.)
    std::array<char, (ReceiveSize + 15) / 16 * 16> partialCleaned{};
    std::size_t partialCleanedLength = 0;
    LineStripper::State partialState = LineStripper::State::Text;
    // The message view's in-progress epoch at which this session's in-progress
    // row was last emptied (0: not known to be empty).
    std::uint64_t inProgressEmptyAt = 0;

    ChatterListState list;
    // The entries of chatterNames in the order the last list named them, and
    // in the order the list being read names them: a keep-alive list names
    // most chatters in the same order again, and each then meets its entry
    // without a lookup. Pointers kept only while chatterNames removes nothing.
    struct ListedNames {
        std::vector<NameEntry*> last;
        std::vector<NameEntry*> current;
        std::size_t next = 0;            // where in `last` the next name is looked for first
        std::uint64_t removals = 0;      // chatterNames.removals() when `last` was taken on
        std::uint64_t currentSince = 0;  // chatterNames.removals() when `current` was begun
    } listedNames;

    void setChatName(std::string_view value);
    // Copies at most 127 characters, then cuts at the first blank.
    void setNick(std::string_view value);
    void setSocket(int value) { socket = value; }
    void setTabIndex(int value) { tabIndex = value; }
    // A session never keeps more names than this, whatever a server lists.
    static constexpr std::size_t MaxNames = 20000;
    void addChannel(std::string_view name) { addBounded(channels, name); }
    void addChatterName(std::string_view name) { addBounded(chatterNames, name); }
    // addChatterName, then the entry chatterNames.find(name, "", true) meets (with its ignore mark).
    NameEntry* addedChatterName(std::string_view name) { return listedChatterName(cutAtBlank(name)); }
    // As addedChatterName, for a name that holds no blank, named by the list
    // being read.
    NameEntry* listedChatterName(std::string_view name) {
        ListedNames& ln = listedNames;
        // Without ignore marks no two entries of chatterNames are equal
        // ignoring case, and none has a context: the entry whose bytes are the
        // name is the one a lookup meets.
        const bool trusted = !ignoreMarksTouched && ln.removals == chatterNames.removals();
        NameEntry* entry = nullptr;
        if (trusted && ln.next < ln.last.size() &&
            sameBytes(ln.last[ln.next]->name, capped(name, NameEntry::MaxName))) {
            entry = ln.last[ln.next++];
            entry->stale = 0;
        } else {
            entry = chatterNames.size() < MaxNames || chatterNames.find(name, "", false) != nullptr
                        ? chatterNames.refreshedName(name)
                        : chatterNames.find(name, "", true);
            if (entry == nullptr) return nullptr;
            // The names after it are looked for after its place in the last list.
            if (trusted && entry->listedAt < ln.last.size() && ln.last[entry->listedAt] == entry)
                ln.next = entry->listedAt + 1;
        }
        if (ln.current.size() < MaxNames) {
            entry->listedAt = static_cast<std::uint32_t>(ln.current.size());
            ln.current.push_back(entry);
        }
        return entry;
    }
    // At the header of a list: the names of the list read last become the
    // ones the new list is expected to name in the same order.
    void startListedNames() {
        ListedNames& ln = listedNames;
        if (ln.currentSince == chatterNames.removals())
            std::swap(ln.last, ln.current);
        else
            ln.last.clear();
        ln.current.clear();
        ln.next = 0;
        ln.removals = chatterNames.removals();
        ln.currentSince = ln.removals;
    }

    // Ignores the chatter of `entry` (an entry of chatterNames), or no longer.
    void setIgnoreMark(NameEntry& entry, bool ignored) {
        ignoreMarksTouched = true;
        entry.active = ignored ? 1 : 0;
    }

    static void addBounded(NameList& list, std::string_view name) {
        if (list.size() < MaxNames || list.find(name, "", false) != nullptr) list.add(name);
    }

    std::string_view pendingBytes() const {
        return {receiveBuffer.data() + receiveBegin, receiveEnd - receiveBegin};
    }
};

// All sessions. The first is the pseudo-session of the "Neue Verbindung" tab;
// real sessions are linked right after it, so a walk meets the first session,
// then the newest down to the oldest.
class SessionList {
public:
    using Sessions = std::list<Session>;

    bool empty() const { return m_sessions.empty(); }
    std::size_t size() const { return m_sessions.size(); }
    Session* first() { return m_sessions.empty() ? nullptr : &m_sessions.front(); }

    Sessions::iterator begin() { return m_sessions.begin(); }
    Sessions::iterator end() { return m_sessions.end(); }

    // Makes the first session of an empty list (nothing happens otherwise).
    Session* makeFirst(std::string_view chatName, std::string_view nick);
    // Links a new session after the first one; on an empty list it becomes the first.
    bool add(std::string_view chatName, std::string_view nick);

    Session* findByChatAndNick(std::string_view chatName, std::string_view nick);
    Session* findByChat(std::string_view chatName);
    // Inline: every line looks its session up.
    Session* findBySocket(int socket) {
        for (Session& s : m_sessions) {
            if (s.socket == socket) return &s;
        }
        return nullptr;
    }
    // Whether findByChat(session.chatName) meets `session`: no session before
    // it has the same chat name. Inline: every in-progress row asks.
    bool isFirstOfItsChat(const Session& session) const {
        for (const Session& s : m_sessions) {
            if (&s == &session) return true;
            if (s.chatName.size() == session.chatName.size() &&
                equalsIgnoreCase(s.chatName, session.chatName)) {
                return false;
            }
        }
        return false;
    }
    Session* findById(int id);

    void remove(const Session* session);
    void destroyAll() { m_sessions.clear(); }

    // The socket of the current session, the one the user's lines go to
    // (NoSocket when there is none).
    int currentSocket() const { return m_currentSocket; }
    void setCurrentSocket(int socket) { m_currentSocket = socket; }

private:
    Session& made(Session& session);

    Sessions m_sessions;
    int m_nextId = 1;
    int m_currentSocket = NoSocket;
};

}  // namespace tavik
