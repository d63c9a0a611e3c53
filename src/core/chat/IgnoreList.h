#pragma once

#include <string_view>

namespace tavik {

class Client;
struct Session;

// Ignore marks per session: the `active` flag of the chatter's entry in the
// session's chatter names. Rows of ignored chatters are not shown.
class IgnoreList {
public:
    explicit IgnoreList(Client& client) : m_client(client) {}

    // For the context menu's label; makes the chatter's entry if it is missing.
    bool isIgnored(Session& session, std::string_view name);
    // Flips the mark (never for a blank name or the user's own nick on that
    // session); announces it (option "Meldung beim Ignorieren") and asks
    // for a fresh chatter list, both on the chatter's own session.
    void toggle(Session* session, std::string_view name, std::string_view context);

private:
    Client& m_client;
};

}  // namespace tavik
