#include "chat/TabStrip.h"

#include <algorithm>

namespace tavik {

int TabStrip::sessionId(int index) const {
    if (index < 0 || index >= count()) return NoSession;
    return m_tabs[static_cast<std::size_t>(index)].sessionId;
}

int TabStrip::insert(int index, std::string_view label, int sessionId) {
    index = std::clamp(index, 0, count());
    m_tabs.insert(m_tabs.begin() + index, Tab{std::string(label), sessionId, false, {}});
    if (m_tabs.size() == 1) {
        m_focused = 0;  // the first tab of a strip is selected at once, without a notification
    } else if (m_focused >= index) {
        ++m_focused;
    }
    notify([&](TabStripObserver& o) { o.tabInserted(index); });
    return index;
}

void TabStrip::remove(int index) {
    if (index < 0 || index >= count()) return;
    m_tabs.erase(m_tabs.begin() + index);
    if (m_focused == index) {
        m_focused = -1;
    } else if (m_focused > index) {
        --m_focused;
    }
    notify([&](TabStripObserver& o) { o.tabRemoved(index); });
}

void TabStrip::setLabel(int index, std::string_view label) {
    if (index < 0 || index >= count()) return;
    m_tabs[static_cast<std::size_t>(index)].label.assign(label);
    notify([&](TabStripObserver& o) { o.tabChanged(index); });
}

bool TabStrip::disconnected(int index) const {
    return index >= 0 && index < count() && m_tabs[static_cast<std::size_t>(index)].disconnected;
}

void TabStrip::setDisconnected(int index, bool disconnected) {
    if (index < 0 || index >= count() || m_tabs[static_cast<std::size_t>(index)].disconnected == disconnected)
        return;
    m_tabs[static_cast<std::size_t>(index)].disconnected = disconnected;
    notify([&](TabStripObserver& o) { o.tabChanged(index); });
}

void TabStrip::setFocus(int index) {
    if (index < 0 || index >= count() || index == m_focused) return;
    m_focused = index;
    m_tabs[static_cast<std::size_t>(index)].activity = TabActivity();
    notify([&](TabStripObserver& o) { o.focusChanged(index); });
    if (m_onSelectionChanged) m_onSelectionChanged();
}

void TabStrip::noteActivity(int index, bool whisper, bool mention) {
    if (index < 0 || index >= count() || index == m_focused) return;
    TabActivity& activity = m_tabs[static_cast<std::size_t>(index)].activity;
    const TabActivity before = activity;
    activity.rows = true;
    if (whisper) ++activity.whispers;
    if (mention) ++activity.mentions;
    // A flood in a marked tab changes nothing the tab shows but its count.
    if (activity != before) notify([&](TabStripObserver& o) { o.tabChanged(index); });
}

void TabStrip::removeObserver(TabStripObserver* observer) {
    m_observers.erase(std::remove(m_observers.begin(), m_observers.end(), observer), m_observers.end());
}

int TabStrip::find(std::string_view label) const {
    for (int i = 0; i < count(); ++i) {
        if (m_tabs[static_cast<std::size_t>(i)].label == label) return i;
    }
    return -1;
}

int TabStrip::findSession(int sessionId) const {
    if (sessionId == NoSession) return -1;
    for (int i = 0; i < count(); ++i) {
        if (m_tabs[static_cast<std::size_t>(i)].sessionId == sessionId) return i;
    }
    return -1;
}

}  // namespace tavik
