#include "chat/Attention.h"

#include <algorithm>

#include "chat/Sound.h"
#include "config/Options.h"
#include "net/Session.h"
#include "platform/Clock.h"
#include "platform/Desktop.h"
#include "text/Text.h"

namespace tavik {

namespace {

// Days since 1970-01-01 of a civil date (proleptic Gregorian).
long long daysFromCivil(int year, int month, int day) {
    year -= month <= 2 ? 1 : 0;
    const long long era = (year >= 0 ? year : year - 399) / 400;
    const long long yearOfEra = year - era * 400;
    const long long dayOfYear = (153LL * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const long long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

bool isWordByte(unsigned char c) {
    // Bytes beyond ASCII are letters of the chat's languages (umlauts, accents).
    return c >= 0x80 || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Rows the user wrote: no news to the user.
bool isOwn(LineKind kind) {
    return kind == LineKind::Plain || kind == LineKind::WhisperOut;
}

}  // namespace

Attention::Attention(SessionList& sessions, TabStrip& tabs, const Options& options, const Clock& clock,
                     Desktop& desktop, Sound& sound)
    : m_sessions(sessions),
      m_tabs(tabs),
      m_options(options),
      m_clock(clock),
      m_desktop(desktop),
      m_sound(sound) {
    m_tabs.addObserver(this);
}

Attention::~Attention() {
    m_tabs.removeObserver(this);
}

long long Attention::seconds() const {
    const LocalTime t = m_clock.now();
    return daysFromCivil(t.year, t.month, t.day) * 86400LL + t.hour * 3600LL + t.minute * 60LL + t.second;
}

std::string Attention::firstWords(std::string_view text) {
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    if (text.size() <= FirstWordsLength) return std::string(text);
    std::string_view head = text.substr(0, FirstWordsLength);
    // The cut goes before the word it would split, unless that word is all there is.
    if (text[FirstWordsLength] != ' ') {
        const auto blank = head.rfind(' ');
        if (blank != std::string_view::npos && blank > 0) head = head.substr(0, blank);
    }
    while (!head.empty() && head.back() == ' ')
        head.remove_suffix(1);
    std::string out(head);
    out += '\x85';  // "…" in Windows-1252
    return out;
}

bool Attention::names(std::string_view text, std::string_view nick) {
    if (nick.empty() || nick.size() > text.size()) return false;
    for (std::size_t at = 0; at + nick.size() <= text.size(); ++at) {
        if (lowerByte(static_cast<unsigned char>(text[at])) != lowerByte(static_cast<unsigned char>(nick[0])))
            continue;
        if (!equalsIgnoreCase(text.substr(at, nick.size()), nick)) continue;
        const bool startsWord = at == 0 || !isWordByte(static_cast<unsigned char>(text[at - 1]));
        const std::size_t end = at + nick.size();
        const bool endsWord = end == text.size() || !isWordByte(static_cast<unsigned char>(text[end]));
        if (startsWord && endsWord) return true;
    }
    return false;
}

void Attention::rowArrived(int socket, std::string_view name, std::string_view text, LineKind kind,
                           Notifying notifying) {
    if (!makesRow(kind) || kind == LineKind::InProgress || kind == LineKind::Filler || isOwn(kind)) return;
    Session* session = m_sessions.findBySocket(socket);
    if (session == nullptr || session == m_sessions.first()) return;
    if (equalsIgnoreCase(name, session->nick)) return;  // the server's echo of the user's own line
    const int tab = m_tabs.findSession(session->id);
    if (tab < 0) return;  // still logging in: the session has no tab yet
    const bool whisper = kind == LineKind::WhisperIn;
    const bool foreground = m_desktop.isForeground();
    if (tab != m_tabs.focused()) {
        const bool mention = kind == LineKind::Public && names(text, session->nick);
        m_tabs.noteActivity(tab, whisper, mention);
        if (whisper) unreadChanged();
    } else if (whisper && !foreground) {
        ++m_whispersWhileAway;
        unreadChanged();
    }

    if (notifying == Notifying::No || foreground) return;
    const bool wordSound =
        m_options.notifyWordSounds && !(whisper && m_options.notifyWhispers) && m_sound.hasWordSound(text);
    if (!(whisper && m_options.notifyWhispers) && !wordSound) return;
    wantNotification(session->id, session->chatName, name, titled(name, session->chatName), firstWords(text));
}

void Attention::chatterAnnounced(int socket, std::string_view name, Notifying notifying) {
    const Session* session = m_sessions.findBySocket(socket);
    if (session == nullptr || session == m_sessions.first()) return;
    // The announcement is a row of its session like any other.
    if (const int tab = m_tabs.findSession(session->id); tab >= 0) m_tabs.noteActivity(tab, false, false);
    if (notifying == Notifying::No || !m_options.notifyChatWatch || m_desktop.isForeground()) return;
    std::string body(name);
    body += " hat den Chat betreten.";
    wantNotification(session->id, session->chatName, name, titled("ChatWatch", session->chatName),
                     std::move(body));
}

std::string Attention::titled(std::string_view what, std::string_view chatName) const {
    std::string title(what);
    // With one session the chat goes without saying.
    int sessions = 0;
    for (int i = 0; i < m_tabs.count(); ++i) {
        const Session* s = m_sessions.findById(m_tabs.sessionId(i));
        if (s != nullptr && s != m_sessions.first()) ++sessions;
    }
    if (sessions > 1) {
        title += " (";
        title += chatName;
        title += ')';
    }
    return title;
}

void Attention::wantNotification(int sessionId, std::string_view chatName, std::string_view name,
                                 std::string title, std::string body) {
    const long long now = seconds();
    const auto it = std::find_if(m_throttled.begin(), m_throttled.end(), [&](const Throttle& t) {
        return t.chatName == chatName && equalsIgnoreCase(t.name, name);
    });
    // A clock set back (the end of summer time) counts as the time being up.
    if (it != m_throttled.end() && now >= it->toldAt && now - it->toldAt < ThrottleSeconds) {
        ++it->held;
        it->sessionId = sessionId;
        it->title = std::move(title);
        it->body = std::move(body);
        return;
    }
    if (it == m_throttled.end()) {
        if (m_throttled.size() >= MaxThrottled) return;
        m_throttled.push_back(Throttle{std::string(chatName), std::string(name), now, 0, sessionId, {}, {}});
    } else {
        it->toldAt = now;
        it->held = 0;
    }
    m_desktop.notify(title, body, sessionId);
}

void Attention::tick() {
    if (m_throttled.empty()) return;
    const long long now = seconds();
    const bool foreground = m_desktop.isForeground();
    for (auto it = m_throttled.begin(); it != m_throttled.end();) {
        const bool timeUp = now < it->toldAt || now - it->toldAt >= ThrottleSeconds;
        if (!timeUp) {
            ++it;
            continue;
        }
        // Rows of a chat closed since are not told: a click would lead nowhere.
        if (it->held == 0 || foreground || m_sessions.findById(it->sessionId) == nullptr) {
            it = m_throttled.erase(it);
            continue;
        }
        std::string body;
        appendNumber(body, it->held);
        body += it->held == 1 ? " weitere Zeile: " : " weitere Zeilen: ";
        body += it->body;
        it->toldAt = now;
        it->held = 0;
        const std::string title = it->title;
        const int sessionId = it->sessionId;
        ++it;
        m_desktop.notify(title, body, sessionId);
    }
}

void Attention::windowActivated() {
    // What was held back is in view now.
    m_throttled.clear();
    if (m_whispersWhileAway == 0) return;
    m_whispersWhileAway = 0;
    unreadChanged();
}

int Attention::unreadWhispers() const {
    int count = m_whispersWhileAway;
    for (int i = 0; i < m_tabs.count(); ++i)
        count += m_tabs.activity(i).whispers;
    return count;
}

void Attention::unreadChanged() {
    const int unread = unreadWhispers();
    if (unread == m_unreadTold) return;
    m_unreadTold = unread;
    if (m_onUnreadChanged) m_onUnreadChanged();
}

int Attention::nextTabWithWhisper() const {
    const int count = m_tabs.count();
    for (int step = 1; step <= count; ++step) {
        const int index = (std::max(m_tabs.focused(), 0) + step) % count;
        if (index != m_tabs.focused() && m_tabs.activity(index).whispers > 0) return index;
    }
    return -1;
}

void Attention::showNextWhisper() {
    if (const int index = nextTabWithWhisper(); index >= 0) m_tabs.setFocus(index);
}

void Attention::showSession(int sessionId) {
    if (const int index = m_tabs.findSession(sessionId); index >= 0) m_tabs.setFocus(index);
    m_desktop.bringToFront();
}

}  // namespace tavik
