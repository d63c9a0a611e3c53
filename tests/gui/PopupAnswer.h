// Answers the popup menu an event opens: `onMenu` sees the menu while its
// loop runs, and the menu is closed afterwards.
#pragma once

#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QTimer>
#include <functional>

namespace tavik::test {

// Sends a context menu event at `pos` of `widget`; true when a menu was shown.
inline bool answerContextMenu(QWidget* widget, const QPoint& pos, const std::function<void(QMenu&)>& onMenu) {
    bool shown = false;
    // Looks for the popup until it is open (its loop runs the timer), then answers it.
    QTimer poll;
    poll.setInterval(5);
    int tries = 0;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (menu == nullptr) {
            if (++tries > 20) poll.stop();
            return;
        }
        poll.stop();
        shown = true;
        if (onMenu) onMenu(*menu);
        menu->close();
    });
    poll.start();
    QContextMenuEvent event(QContextMenuEvent::Mouse, pos, widget->mapToGlobal(pos));
    QApplication::sendEvent(widget, &event);
    QApplication::processEvents();
    return shown;
}

}  // namespace tavik::test
