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

// The labels of the session tabs («nick@chat»), newest first, and the tab that
// has the focus.
class TabStrip {
public:
    int count() const { return static_cast<int>(m_labels.size()); }
    const std::string& label(int index) const { return m_labels[static_cast<std::size_t>(index)]; }
    int focused() const { return m_focused; }

    // Inserts at `index` (clamped) and returns the index.
    int insert(int index, std::string_view label);
    void remove(int index);
    void setLabel(int index, std::string_view label);
    // Gives a tab the focus; the observers and the selection callback hear of it
    // only when the focus actually changes.
    void setFocus(int index);
    // The first tab whose label equals `label` exactly, or -1.
    int find(std::string_view label) const;

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

    std::vector<std::string> m_labels;
    int m_focused = -1;
    std::vector<TabStripObserver*> m_observers;
    std::function<void()> m_onSelectionChanged;
};

}  // namespace tavik
