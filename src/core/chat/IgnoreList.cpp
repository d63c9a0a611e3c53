#include "chat/IgnoreList.h"

#include <string>

#include "config/Settings.h"
#include "net/Session.h"
#include "platform/Transport.h"
#include "text/Text.h"

namespace tavik {

bool IgnoreList::isIgnored(Session& session, std::string_view name) {
    if (session.chatterNames.empty()) return false;
    NameEntry* entry = session.chatterNames.find(name, "", true);
    if (entry == nullptr) {
        session.chatterNames.addWithContext(name, "");
        entry = session.chatterNames.find(name, "", true);
    }
    return entry != nullptr && entry->active != 0;
}

void IgnoreList::toggle(Session* session, std::string_view name, std::string_view context) {
    // Nobody is the blank name of a row without a chatter (ignoring it would
    // drop every nameless notice), and the user is never ignored. The user is
    // the nick of this session: the nick of whichever session spoke last may
    // well be somebody else here.
    if (session == nullptr || name.find_first_not_of(' ') == std::string_view::npos ||
        equalsIgnoreCase(name, session->nick) || session->chatterNames.empty())
        return;
    // The entry added below may carry a context: from here on a row's name is looked up.
    session->ignoreMarksTouched = true;
    NameEntry* entry = session->chatterNames.find(name, "", true);
    if (entry == nullptr) {
        session->chatterNames.addWithContext(name, context);
        entry = session->chatterNames.find(name, "", true);
    }
    if (entry == nullptr) return;
    // The lines go to the server of the chatter's own session, whichever tab is in front.
    const int socket = session->socket;
    if (m_settings.announceIgnore) {
        std::string line = "/a ignoriert ";
        line += name;
        line += entry->active != 0 ? " nicht mehr.\r" : ".\r";
        sendTo(m_transport, socket, line);
    }
    session->setIgnoreMark(*entry, entry->active == 0);
    sendTo(m_transport, socket, "/s\r");
}

}  // namespace tavik
