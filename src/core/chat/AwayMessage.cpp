#include "chat/AwayMessage.h"

#include "chat/MessageView.h"
#include "config/Settings.h"
#include "net/Session.h"
#include "platform/Transport.h"
#include "text/Text.h"

namespace tavik {

bool AwayMessage::handleCommand(std::string_view line) {
    if (line.empty() || line[0] != '/') return false;
    const char second = line.size() > 1 ? line[1] : '\0';
    const char third = line.size() > 2 ? line[2] : '\0';
    if ((second == 'A' || second == 'a') && (third == 'W' || third == 'w')) {
        const auto blank = line.find(' ');
        if (blank != std::string_view::npos) {
            m_message.assign(capped(line.substr(blank), MaxMessage));
            m_view.insert(NoSocket, "", "Away Message gesetzt.", LineKind::Plain);
        } else {
            m_message.clear();
            m_view.insert(NoSocket, "", "Away Message geloescht.", LineKind::Plain);
        }
        return true;
    }
    if (second == 'E' || second == 'e') {
        // The Logout-Auto-Text of the nick used last.
        sendTo(m_transport, m_sessions.currentSocket(), m_settings.logoutTexts[0]);
    }
    return false;
}

void AwayMessage::autoReply(int socket, std::string_view name, LineKind kind) {
    if (m_message.empty()) {
        m_lastRepliedName.clear();
        return;
    }
    // Only chatters who address the user: whispers and public lines that carry a
    // name, and never the user's own lines echoed back.
    if (kind != LineKind::WhisperIn && kind != LineKind::Public) return;
    if (name.empty() || name == " ") return;
    if (const Session* session = m_sessions.findBySocket(socket);
        session != nullptr && equalsIgnoreCase(name, session->nick)) {
        return;
    }
    // Only what is remembered is cut; the answer goes to the whole name, or a
    // long name would get a whisper meant for somebody else.
    const std::string_view remembered = capped(name, MaxRepliedName);
    if (equalsIgnoreCase(remembered, m_lastRepliedName)) return;
    m_lastRepliedName.assign(remembered);
    m_reply.assign("/w ");
    m_reply += name;
    m_reply += m_message;
    m_reply += "\n\r";
    sendTo(m_transport, socket, m_reply);
}

}  // namespace tavik
