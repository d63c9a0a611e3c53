#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tavik {

class TabStripObserver {
public:
    virtual ~TabStripObserver() = default;
    virtual void tabInserted(int /*index*/) {}
    virtual void tabRemoved(int /*index*/) {}
    virtual void tabChanged(int /*index*/) {}
    virtual void focusChanged(int /*index*/) {}
};

// What arrived in a tab's session since the tab last had the focus: any row,
// and among them the whispers and the rows that name the user's nick.
struct TabActivity {
    bool rows = false;
    int whispers = 0;
    int mentions = 0;
    int strong() const { return whispers + mentions; }
    bool operator==(const TabActivity&) const = default;
};

// The session tabs, newest first, and the tab that has the focus. A tab shows
// a label («nick@chat») and is linked to its session by the session's id: a
// nick may hold any character a server allows, an "@" too, so the label is
// for the eye only and is never parsed to find the session.
class TabStrip {
public:
    static constexpr int NoSession = 0;

    int count() const { return static_cast<int>(m_tabs.size()); }
    const std::string& label(int index) const { return m_tabs[static_cast<std::size_t>(index)].label; }
    // The id of the tab's session (NoSession for an index of no tab).
    int sessionId(int index) const;
    int focused() const { return m_focused; }
    const TabActivity& activity(int index) const { return m_tabs[static_cast<std::size_t>(index)].activity; }
    // A row arrived in the session of a tab without the focus (the focused tab's
    // rows are in view); giving the tab the focus clears what was counted.
    void noteActivity(int index, bool whisper, bool mention);

    // Inserts at `index` (clamped) and returns the index.
    int insert(int index, std::string_view label, int sessionId = NoSession);
    void remove(int index);
    void setLabel(int index, std::string_view label);
    // A tab whose session lost its connection and waits for a new one (shown greyed).
    bool disconnected(int index) const;
    void setDisconnected(int index, bool disconnected);
    // Gives a tab the focus; the observers and the selection callback hear of it
    // only when the focus actually changes.
    void setFocus(int index);
    // The first tab whose label equals `label` exactly, or -1.
    int find(std::string_view label) const;
    // The tab of a session, or -1.
    int findSession(int sessionId) const;

    void addObserver(TabStripObserver* observer) { m_observers.push_back(observer); }
    void removeObserver(TabStripObserver* observer);
    // The engine's reaction to a changed selection (the tab strip's notification).
    void setOnSelectionChanged(std::function<void()> callback) { m_onSelectionChanged = std::move(callback); }

private:
    template <typename F>
    void notify(F&& f) {
        for (TabStripObserver* o : m_observers)
            f(*o);
    }

    struct Tab {
        std::string label;
        int sessionId = NoSession;
        bool disconnected = false;
        TabActivity activity;
    };
    std::vector<Tab> m_tabs;
    int m_focused = -1;
    std::vector<TabStripObserver*> m_observers;
    std::function<void()> m_onSelectionChanged;
};

}  // namespace tavik
