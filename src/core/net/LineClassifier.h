#pragma once

#include <string>
#include <string_view>

#include "net/LineKind.h"

namespace tavik {

class Client;
struct Session;

// One classified server line: name and text point into the classified line.
struct ServerLine {
    LineKind kind = LineKind::Stop;
    std::string_view name;
    std::string_view text;
};

// Name characters of the chatter list: printable ASCII except # $ ( ) , @ | ~, and "ç".
bool isNameChar(unsigned char c);

// Tells what a server line is by its first characters, cuts it into name and
// text, and carries out what the line implies: a framed chatter list rebuilds
// the session's part of the chatter tree, the names list, the ChatWatch
// presence and the title's count; a rejected nickname reopens the Login dialog;
// a rename of the own nick relabels its tab.
class LineClassifier {
public:
    explicit LineClassifier(Client& client) : m_client(client) {}

    // `line` must stay alive and unchanged while the result is used.
    ServerLine classify(Session& session, int socket, std::string_view line);

private:
    ServerLine plusRule(Session& session, std::string_view line);
    ServerLine barRule(Session& session, int socket, std::string_view line);
    ServerLine minusRule(Session& session, std::string_view line);
    ServerLine greaterRule(Session& session, std::string_view line);
    ServerLine lessRule(Session& session, std::string_view line);
    ServerLine slashRule(Session& session, std::string_view line);
    ServerLine gRule(Session& session, std::string_view line);
    void ensureTreeItems(Session& session);

    Client& m_client;
    std::string m_label;
};

}  // namespace tavik
