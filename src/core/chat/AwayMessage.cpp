#include "chat/AwayMessage.h"

#include <algorithm>

#include "chat/MessageView.h"
#include "config/Options.h"
#include "config/Settings.h"
#include "net/Session.h"
#include "platform/Clock.h"
#include "platform/Transport.h"
#include "text/Text.h"

namespace tavik {

namespace {

// Seconds of a local time on a scale of its own: only differences count.
long long secondsOf(const LocalTime& t) {
    // Days from the civil date (the proleptic Gregorian calendar).
    const int y = t.year - (t.month <= 2 ? 1 : 0);
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yearOfEra = y - era * 400;
    const int dayOfYear = (153 * (t.month + (t.month > 2 ? -3 : 9)) + 2) / 5 + t.day - 1;
    const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    const long long days = static_cast<long long>(era) * 146097 + dayOfEra;
    return days * 86400 + t.hour * 3600LL + t.minute * 60LL + t.second;
}

}  // namespace

bool AwayMessage::mayAnswer(std::string_view name) {
    const long long now = secondsOf(m_clock.now());
    // A clock put back (the end of summer time, a correction) never holds an answer back for long.
    std::erase_if(m_answered,
                  [now](const Answered& a) { return now - a.at >= AnswerInterval || now < a.at; });
    std::string key;
    for (const char c : name)
        key.push_back(static_cast<char>(lowerByte(static_cast<unsigned char>(c))));
    if (std::any_of(m_answered.begin(), m_answered.end(), [&](const Answered& a) { return a.name == key; }))
        return false;
    m_answered.push_back({std::move(key), now});
    return true;
}

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
        // Back again: the next time away, everybody is answered anew.
        m_lastRepliedName.clear();
        m_answered.clear();
        return;
    }
    // Only chatters who address the user: whispers and public lines that carry a
    // name (public lines not at all when the user wants whispers answered only),
    // and never the user's own lines echoed back.
    if (kind != LineKind::WhisperIn && kind != LineKind::Public) return;
    if (kind == LineKind::Public && m_options.awayAnswersWhispersOnly) return;
    // The name as the server can have given it: no blank, at most its length.
    const std::string_view answered = cutAtBlank(capped(name, MaxAnsweredName));
    if (answered.empty()) return;
    if (const Session* session = m_sessions.findBySocket(socket);
        session != nullptr &&
        equalsIgnoreCase(answered, cutAtBlank(capped(session->nick, MaxAnsweredName)))) {
        return;
    }
    const std::string_view remembered = capped(answered, MaxRepliedName);
    if (equalsIgnoreCase(remembered, m_lastRepliedName)) return;
    if (!mayAnswer(answered)) return;
    m_lastRepliedName.assign(remembered);
    m_reply.assign("/w ");
    m_reply += answered;
    m_reply += m_message;
    m_reply += "\n\r";
    sendTo(m_transport, socket, m_reply);
}

}  // namespace tavik
