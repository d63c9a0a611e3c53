#pragma once

#include <string_view>

namespace tavik {

class Client;

// Turns a typed line into what goes over the wire and sends it: picks the
// session (focused tab, recipient box, "@chat", marked row), decides on a
// whisper, rewrites leading characters the server would take as commands, and
// sends the line as art or wrapped to the server's width.
void SendInputLine(Client& client, std::string_view line, bool inverted);

}  // namespace tavik
