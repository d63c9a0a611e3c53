#pragma once

#include <string>
#include <string_view>

#include "net/LineKind.h"

namespace tavik {

class MessageView;
class SessionList;
struct Settings;
class Transport;

// The away message: "/aw text" sets it, "/aw" alone clears it; while it is set,
// every chatter who whispers to the user or talks in public gets it whispered
// back once (not twice in a row to the same chatter). "/e" first sends the
// Logout-Auto-Text.
class AwayMessage {
public:
    static constexpr std::size_t MaxMessage = 1023;
    static constexpr std::size_t MaxRepliedName = 35;

    // The notices go to `view`; "/e" sends the current session's Logout-Auto-Text
    // (the one of the nick used last), the replies go to the whisperer's session.
    AwayMessage(Transport& transport, const Settings& settings, SessionList& sessions, MessageView& view)
        : m_transport(transport), m_settings(settings), m_sessions(sessions), m_view(view) {}

    // True when the line was a command of ours and nothing more is to be sent.
    bool handleCommand(std::string_view line);
    void autoReply(int socket, std::string_view name, LineKind kind);

    const std::string& message() const { return m_message; }
    const std::string& lastRepliedName() const { return m_lastRepliedName; }

private:
    Transport& m_transport;
    const Settings& m_settings;
    SessionList& m_sessions;
    MessageView& m_view;
    std::string m_message;  // from the command's first blank on, that blank included
    std::string m_lastRepliedName;
    std::string m_reply;
};

}  // namespace tavik
