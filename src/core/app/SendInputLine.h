#pragma once

#include <string_view>

namespace tavik {

class Client;

// Turns a typed line into what goes over the wire and sends it: picks the
// session (focused tab, recipient box, "@chat", marked row), decides on a
// whisper, rewrites leading characters the server would take as commands, and
// sends the line as art or wrapped to the server's width.
//
// No CR or LF travels inside a sent line: any in `line` (or in the recipient)
// is sent as a blank. A line meant as a whisper (by the recipient box, the
// marked row or "/w name") goes out as a whisper to that name on that chat or
// not at all: when the name is missing or not a name, or its chat has no
// session, nothing is sent, the input line keeps its text and a notice row
// says why. The result is false then (and when no tab qualifies), true when
// the line was sent or taken by an away command.
bool SendInputLine(Client& client, std::string_view line, bool inverted);

}  // namespace tavik
