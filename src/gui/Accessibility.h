#pragma once

namespace tavik::gui {

// Makes the window readable for a screen reader beyond what Qt's own
// interfaces give: the message list as one item per row that says something
// (MessageListAccessible), and menu entries read without the key text after
// their tab ("ChatWatch", the key "Ctrl+W" as the entry's shortcut), a tab
// bar read by its own accessible name, and Announcer as a notification.
// Called once, before the window is made; later calls do nothing.
void installAccessibility();

}  // namespace tavik::gui
