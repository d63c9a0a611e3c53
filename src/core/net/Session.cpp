#include "net/Session.h"

#include <algorithm>

namespace tavik {

void Session::setChatName(std::string_view value) {
    chatName.assign(capped(value, MaxChatName));
    inProgressEmptyAt = 0;  // the row found by chat name may be another one now
}

void Session::setNick(std::string_view value) {
    nick.assign(cutAtBlank(capped(value, MaxNick)));
}

Session& SessionList::made(Session& session) {
    session.id = m_nextId++;
    return session;
}

Session* SessionList::makeFirst(std::string_view chatName, std::string_view nick) {
    if (!m_sessions.empty()) return nullptr;
    Session& s = made(m_sessions.emplace_back());
    s.setChatName(chatName);
    s.setNick(nick);
    return &s;
}

bool SessionList::add(std::string_view chatName, std::string_view nick) {
    if (m_sessions.empty()) {
        makeFirst(chatName, nick);
        return true;
    }
    Session& s = made(*m_sessions.emplace(std::next(m_sessions.begin())));
    s.setChatName(chatName);
    s.setNick(nick);
    return true;
}

Session* SessionList::findByChatAndNick(std::string_view chatName, std::string_view nick) {
    for (Session& s : m_sessions) {
        if (equalsIgnoreCase(s.chatName, chatName) && equalsIgnoreCase(s.nick, nick)) return &s;
    }
    return nullptr;
}

Session* SessionList::findByChat(std::string_view chatName) {
    for (Session& s : m_sessions) {
        if (equalsIgnoreCase(s.chatName, chatName)) return &s;
    }
    return nullptr;
}

Session* SessionList::findById(int id) {
    for (Session& s : m_sessions) {
        if (s.id == id) return &s;
    }
    return nullptr;
}

void SessionList::remove(const Session* session) {
    const auto it = std::find_if(m_sessions.begin(), m_sessions.end(),
                                 [session](const Session& s) { return &s == session; });
    if (it != m_sessions.end()) m_sessions.erase(it);
}

}  // namespace tavik
