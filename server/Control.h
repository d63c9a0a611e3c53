// Test control: lines on standard input let chatters without a connection enter,
// type and leave, so that a test decides who does what and when.
//
//   enter NICK [CHANNEL]   NICK enters the chat (in Lobby unless CHANNEL names another channel)
//   as NICK LINE           NICK types LINE, e.g. "as Robo /w Gast Hallo"
//   leave NICK             NICK leaves the chat
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "ChatRoom.h"

namespace tavik::server {

class Control {
public:
    explicit Control(ChatRoom& room) : m_room(room) {}

    // Bytes read from standard input: every complete line is carried out. Returns
    // a complaint for each line that could not be.
    std::vector<std::string> receive(std::string_view bytes);
    // One command without its line end. Returns a complaint, empty when done.
    std::string perform(std::string_view line);

private:
    // The chatter without a connection called nick, or 0.
    int puppet(std::string_view nick) const;

    ChatRoom& m_room;
    std::string m_pending;  // the start of a line whose end has not come yet
};

}  // namespace tavik::server
