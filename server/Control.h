// Test control: lines on standard input let chatters without a connection enter,
// type and leave, so that a test decides who does what and when.
//
//   enter NICK [CHANNEL]   NICK enters the chat (in Lobby unless CHANNEL names another channel)
//   as NICK LINE           NICK types LINE, e.g. "as Robo /w Gast Hallo"
//   leave NICK             NICK leaves the chat
//   drop NICK              NICK's connection is closed by the server (an orderly close)
//   stall NICK             NICK's connection is no longer served, and never closed: nothing
//                          read from it, nothing sent; the chatter stays (a line gone dead)
//   refuse N               the next N connections are closed as soon as they are accepted
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "ChatRoom.h"

namespace tavik::server {

class Control {
public:
    // What the server does to its connections; the room knows nothing of sockets.
    struct ConnectionFaults {
        std::function<bool(int chatterId)> drop;   // false: the chatter has no connection
        std::function<bool(int chatterId)> stall;  // likewise
        std::function<void(int count)> refuse;
    };

    explicit Control(ChatRoom& room) : m_room(room) {}
    void setConnectionFaults(ConnectionFaults faults) { m_faults = std::move(faults); }

    // Bytes read from standard input: every complete line is carried out. Returns
    // a complaint for each line that could not be.
    std::vector<std::string> receive(std::string_view bytes);
    // One command without its line end. Returns a complaint, empty when done.
    std::string perform(std::string_view line);

private:
    // The chatter without a connection called nick, or 0.
    int puppet(std::string_view nick) const;

    // The chatter with a connection called nick, or 0.
    int connected(std::string_view nick) const;
    std::string connectionFault(std::string_view command, std::string_view nick);

    ChatRoom& m_room;
    ConnectionFaults m_faults;
    std::string m_pending;  // the start of a line whose end has not come yet
};

}  // namespace tavik::server
