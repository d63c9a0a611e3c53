#include "chat/LoginDialog.h"

#include <array>

#include "config/Settings.h"
#include "net/Session.h"
#include "platform/Desktop.h"
#include "platform/Transport.h"
#include "text/Text.h"

namespace tavik {

namespace {

std::string withLineEnd(std::string_view text) {
    std::string out(capped(text, LoginDialog::MaxAutoText));
    if (out.empty() || out.back() != '\n') out += "\r\n";
    return out;
}

}  // namespace

int LoginDialog::slotOf(std::string_view nick) const {
    const auto& nicks = m_settings.nicknames;
    for (std::size_t i = 0; i < nicks.size(); ++i) {
        if (!nicks[i].empty() && equalsIgnoreCase(nicks[i], nick)) return static_cast<int>(i);
    }
    return -1;
}

bool LoginDialog::open(bool lookOnly, int socket) {
    const Settings& s = m_settings;
    m_socket = socket;
    m_entries.clear();
    for (const std::string& nick : s.nicknames) {
        if (!nick.empty()) m_entries.push_back(nick);
    }
    m_selected = -1;
    m_nick.clear();
    m_loginText.clear();
    m_logoutText.clear();
    if (!s.nicknames[0].empty()) {
        m_selected = 0;
        m_nick = s.nicknames[0];
        m_loginText = s.loginTexts[0];
        m_logoutText = s.logoutTexts[0];
    }
    if (lookOnly) {
        sendTo(m_transport, m_socket, "/S\r/e\r");
        return false;
    }
    return true;
}

bool LoginDialog::open(bool lookOnly) {
    return open(lookOnly, m_sessions.currentSocket());
}

void LoginDialog::selectEntry(int index) {
    if (index < 0 || index >= static_cast<int>(m_entries.size())) return;
    m_selected = index;
    m_nick = m_entries[static_cast<std::size_t>(index)];
    const int slot = slotOf(m_nick);
    if (slot < 0) return;
    m_loginText = m_settings.loginTexts[static_cast<std::size_t>(slot)];
    m_logoutText = m_settings.logoutTexts[static_cast<std::size_t>(slot)];
}

void LoginDialog::setNick(std::string_view nick) {
    m_nick.assign(capped(nick, MaxNick));
}
void LoginDialog::setLoginText(std::string_view text) {
    m_loginText.assign(text);
}
void LoginDialog::setLogoutText(std::string_view text) {
    m_logoutText.assign(text);
}

void LoginDialog::removeSelected() {
    if (m_selected < 0 || m_selected >= static_cast<int>(m_entries.size())) return;
    m_entries.erase(m_entries.begin() + m_selected);
    m_selected = -1;
}

bool LoginDialog::ok() {
    const std::string nick(capped(m_nick, MaxNick));
    if (nick.empty()) {
        m_desktop.messageBox("Sie m\xFCssen etwas eingeben!", "Fehleingabe", MessageBoxStyle::Ok);
        return false;
    }
    // A most-recently-used list: the chosen nick first, the others in list order,
    // each with its own texts; nicks deleted from the list are gone.
    Settings& s = m_settings;
    std::array<std::string, Settings::Slots> nicks;
    std::array<std::string, Settings::Slots> logins;
    std::array<std::string, Settings::Slots> logouts;
    std::size_t next = 1;
    for (const std::string& entry : m_entries) {
        if (equalsIgnoreCase(entry, nick)) continue;
        if (next >= Settings::Slots) break;
        const int slot = slotOf(entry);
        nicks[next] = entry;
        if (slot >= 0) {
            logins[next] = s.loginTexts[static_cast<std::size_t>(slot)];
            logouts[next] = s.logoutTexts[static_cast<std::size_t>(slot)];
        }
        ++next;
    }
    nicks[0] = nick;
    logins[0] = withLineEnd(m_loginText);
    logouts[0] = withLineEnd(m_logoutText);
    s.nicknames = nicks;
    s.loginTexts = logins;
    s.logoutTexts = logouts;

    if (m_onNickChosen) m_onNickChosen(nick);
    sendTo(m_transport, m_socket, nick + "\r");
    return true;
}

bool LoginDialog::cancel() {
    sendTo(m_transport, m_socket, "/e\r");
    return true;
}

bool LoginDialog::lookOnly() {
    sendTo(m_transport, m_socket, "/S\r/e\r");
    return true;
}

}  // namespace tavik
