#include "chat/TabStrip.h"

#include <algorithm>

namespace tavik {

int TabStrip::insert(int index, std::string_view label) {
    index = std::clamp(index, 0, count());
    m_labels.insert(m_labels.begin() + index, std::string(label));
    if (m_labels.size() == 1) {
        m_focused = 0;  // the first tab of a strip is selected at once, without a notification
    } else if (m_focused >= index) {
        ++m_focused;
    }
    notify([&](TabStripObserver& o) { o.tabInserted(index); });
    return index;
}

void TabStrip::remove(int index) {
    if (index < 0 || index >= count()) return;
    m_labels.erase(m_labels.begin() + index);
    if (m_focused == index) {
        m_focused = -1;
    } else if (m_focused > index) {
        --m_focused;
    }
    notify([&](TabStripObserver& o) { o.tabRemoved(index); });
}

void TabStrip::setLabel(int index, std::string_view label) {
    if (index < 0 || index >= count()) return;
    m_labels[static_cast<std::size_t>(index)].assign(label);
    notify([&](TabStripObserver& o) { o.tabChanged(index); });
}

void TabStrip::setFocus(int index) {
    if (index < 0 || index >= count() || index == m_focused) return;
    m_focused = index;
    notify([&](TabStripObserver& o) { o.focusChanged(index); });
    if (m_onSelectionChanged) m_onSelectionChanged();
}

void TabStrip::removeObserver(TabStripObserver* observer) {
    m_observers.erase(std::remove(m_observers.begin(), m_observers.end(), observer), m_observers.end());
}

int TabStrip::find(std::string_view label) const {
    for (int i = 0; i < count(); ++i) {
        if (m_labels[static_cast<std::size_t>(i)] == label) return i;
    }
    return -1;
}

}  // namespace tavik
