#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tavik {

class Desktop;
class SessionList;
struct Settings;
class Transport;

// The Login dialog (134): the nickname with its Login- and Logout-Auto-Texts,
// from the 20 most recently used slots of the settings. The dialog sends its
// answers itself, on the socket of the session it was opened for: a name
// error of one session is never answered on another.
class LoginDialog {
public:
    static constexpr std::size_t MaxNick = 20;
    static constexpr std::size_t MaxAutoText = 1021;

    // The slots are read from and written to `settings`; "OK" with an empty
    // nick tells the user on `desktop`.
    LoginDialog(Transport& transport, Desktop& desktop, Settings& settings, SessionList& sessions)
        : m_transport(transport), m_desktop(desktop), m_settings(settings), m_sessions(sessions) {}

    // Told the nick chosen with "OK", before it is sent: the user's nick from now on.
    void setOnNickChosen(std::function<void(std::string_view)> callback) {
        m_onNickChosen = std::move(callback);
    }

    // Fills the nick list from the slots; the answers go to `socket`. With
    // `lookOnly` it answers "/S\r/e\r" at once and is closed: the result is false.
    bool open(bool lookOnly, int socket);
    // For the current session.
    bool open(bool lookOnly);
    int socket() const { return m_socket; }

    const std::vector<std::string>& entries() const { return m_entries; }
    int selected() const { return m_selected; }
    const std::string& nick() const { return m_nick; }
    const std::string& loginText() const { return m_loginText; }
    const std::string& logoutText() const { return m_logoutText; }
    // Why the dialog is open again (the server's answer to the last nick); empty after a connect.
    const std::string& reason() const { return m_reason; }
    void setReason(std::string_view why) { m_reason.assign(why); }

    // The user picked a nick from the list: its slot's texts are shown.
    void selectEntry(int index);
    void setNick(std::string_view nick);
    void setLoginText(std::string_view text);
    void setLogoutText(std::string_view text);
    // "Aus der Liste &löschen": gone from the list; the slots follow only on OK.
    void removeSelected();

    // The buttons; each returns true when the dialog closes.
    bool ok();
    bool cancel();
    bool lookOnly();

private:
    int slotOf(std::string_view nick) const;

    Transport& m_transport;
    Desktop& m_desktop;
    Settings& m_settings;
    SessionList& m_sessions;
    std::function<void(std::string_view)> m_onNickChosen;
    std::vector<std::string> m_entries;
    int m_socket = -1;
    int m_selected = -1;
    std::string m_nick;
    std::string m_loginText;
    std::string m_logoutText;
    std::string m_reason;
};

}  // namespace tavik
