#pragma once

#include <string_view>

namespace tavik {

struct Session;
struct Settings;
class Transport;

// Ignore marks per session: the `active` flag of the chatter's entry in the
// session's chatter names. Rows of ignored chatters are not shown.
class IgnoreList {
public:
    IgnoreList(Transport& transport, const Settings& settings)
        : m_transport(transport), m_settings(settings) {}

    // For the context menu's label; makes the chatter's entry if it is missing.
    bool isIgnored(Session& session, std::string_view name);
    // Flips the mark (never for a blank name or the user's own nick on that
    // session); announces it (option "Meldung beim Ignorieren") and asks
    // for a fresh chatter list, both on the chatter's own session.
    void toggle(Session* session, std::string_view name, std::string_view context);

private:
    Transport& m_transport;
    const Settings& m_settings;
};

}  // namespace tavik
