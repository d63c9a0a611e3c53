#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "chat/TabStrip.h"
#include "net/LineKind.h"

namespace tavik {

class Clock;
class Desktop;
class SessionList;
class Sound;
struct Options;

// What wants the user's eye. Rows of a session whose tab is not in view mark
// that tab (whispers and rows naming the user's nick count apart); whispers
// not seen yet are counted for the tray; and while the window is in the
// background a whisper, a ChatWatch announcement or a row with a word sound
// raises a desktop notification, each as its option says. A chatter gets at
// most one notification in ThrottleSeconds: what arrives meanwhile is counted
// and told in one notification once the time is up.
class Attention : private TabStripObserver {
public:
    static constexpr int ThrottleSeconds = 10;
    // A notification shows the first words of a row, at most this many bytes.
    static constexpr std::size_t FirstWordsLength = 60;
    // Chatters whose time is running at once; a flood of new names beyond them
    // is not told on the desktop.
    static constexpr std::size_t MaxThrottled = 64;

    Attention(SessionList& sessions, TabStrip& tabs, const Options& options, const Clock& clock,
              Desktop& desktop, Sound& sound);
    Attention(const Attention&) = delete;
    Attention& operator=(const Attention&) = delete;
    ~Attention() override;

    // What a row does to the user's attention: its tab's mark, and the desktop.
    enum class Notifying { Yes, No };
    // A row from a session's server, about to be shown. `notifying` No: only
    // the tab's mark, while a dialog of the program holds the rows' side effects.
    void rowArrived(int socket, std::string_view name, std::string_view text, LineKind kind,
                    Notifying notifying);
    // ChatWatch announces that `name` entered the chat of `socket`.
    void chatterAnnounced(int socket, std::string_view name, Notifying notifying);
    // Called about once a second: counts held back are told once their time is up.
    void tick();
    // The window became the active one: what waited for the user has been seen.
    void windowActivated();

    // Whispers not seen yet: those in tabs without the focus, and those in the
    // focused one while the window was in the background.
    int unreadWhispers() const;
    // The count of unread whispers may have changed.
    void setOnUnreadChanged(std::function<void()> callback) { m_onUnreadChanged = std::move(callback); }

    // The next tab after the focused one, wrapping, with a whisper unread; -1 for none.
    int nextTabWithWhisper() const;
    // Alt+A: that tab gets the focus, its session becomes current.
    void showNextWhisper();
    // A notification was chosen: its session becomes current and the window comes to the front.
    void showSession(int sessionId);

    // The first words of `text`: at most FirstWordsLength bytes, cut at a blank,
    // an ellipsis where it was cut.
    static std::string firstWords(std::string_view text);
    // Whether `text` names `nick` as a word of its own, ignoring case.
    static bool names(std::string_view text, std::string_view nick);

private:
    void tabRemoved(int) override { unreadChanged(); }
    void focusChanged(int) override { unreadChanged(); }
    void unreadChanged();

    // A row of `name` asks for a notification with this title and body.
    void wantNotification(int sessionId, std::string_view chatName, std::string_view name, std::string title,
                          std::string body);
    std::string titled(std::string_view what, std::string_view chatName) const;
    long long seconds() const;

    // A chatter whose time runs: when it was last told, and what came since.
    struct Throttle {
        std::string chatName;
        std::string name;
        long long toldAt = 0;
        int held = 0;
        int sessionId = 0;
        std::string title;
        std::string body;  // of the newest row held
    };

    SessionList& m_sessions;
    TabStrip& m_tabs;
    const Options& m_options;
    const Clock& m_clock;
    Desktop& m_desktop;
    Sound& m_sound;
    std::vector<Throttle> m_throttled;
    int m_whispersWhileAway = 0;  // in the focused tab, while the window was in the background
    int m_unreadTold = 0;
    std::function<void()> m_onUnreadChanged;
};

}  // namespace tavik
