#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "net/LineKind.h"

namespace tavik {

class Clock;
class MessageView;
class SessionList;
struct Options;
struct Settings;
class Transport;

// The away message: "/aw text" sets it, "/aw" alone clears it; while it is set,
// every chatter who whispers to the user or talks in public gets it whispered
// back once (not twice in a row to the same chatter, and not more than once a
// minute to anybody, or two chatters talking in turn would get a whisper for
// every line, a flood the server may punish). "/e" first sends the
// Logout-Auto-Text.
class AwayMessage {
public:
    static constexpr std::size_t MaxMessage = 1023;
    static constexpr std::size_t MaxRepliedName = 35;
    // The longest name a chat server gives a chatter; the answer never addresses more.
    static constexpr std::size_t MaxAnsweredName = 20;
    static constexpr long long AnswerInterval = 60;  // seconds between two answers to one name

    // The notices go to `view`; "/e" sends the current session's Logout-Auto-Text
    // (the one of the nick used last), the replies go to the whisperer's session.
    AwayMessage(Transport& transport, const Settings& settings, const Options& options, SessionList& sessions,
                MessageView& view, const Clock& clock)
        : m_transport(transport),
          m_settings(settings),
          m_options(options),
          m_sessions(sessions),
          m_view(view),
          m_clock(clock) {}

    // True when the line was a command of ours and nothing more is to be sent.
    bool handleCommand(std::string_view line);
    void autoReply(int socket, std::string_view name, LineKind kind);

    const std::string& message() const { return m_message; }
    const std::string& lastRepliedName() const { return m_lastRepliedName; }

private:
    struct Answered {
        std::string name;  // lower case
        long long at = 0;  // seconds, of the local clock
    };
    // True when `name` got no answer in the last minute; then it is noted as answered now.
    bool mayAnswer(std::string_view name);

    Transport& m_transport;
    const Settings& m_settings;
    const Options& m_options;
    SessionList& m_sessions;
    MessageView& m_view;
    const Clock& m_clock;
    std::string m_message;  // from the command's first blank on, that blank included
    std::string m_lastRepliedName;
    std::string m_reply;
    std::vector<Answered> m_answered;  // of the last minute, oldest first
};

}  // namespace tavik
