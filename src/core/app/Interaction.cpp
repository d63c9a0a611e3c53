#include "app/Interaction.h"

#include <array>

#include "app/Commands.h"
#include "chat/ChatWatch.h"
#include "chat/ChatterTree.h"
#include "chat/ContextMenu.h"
#include "chat/IgnoreList.h"
#include "chat/MessageView.h"
#include "chat/NamesListBox.h"
#include "chat/TextField.h"
#include "net/Session.h"
#include "platform/Transport.h"
#include "text/Text.h"

namespace tavik {

namespace {

constexpr int IgnoreEntry = static_cast<int>(Command::Ignore);
constexpr int ChatWatchEntry = static_cast<int>(Command::ToggleChatWatch);

bool isProtectedChannel(int image) {
    return image == TreeImage::ProtectedChannelCollapsed || image == TreeImage::ProtectedChannel;
}

// A name read from a control: a text beginning with a blank gives no name.
std::string_view nameOf(std::string_view text) {
    return cutAtBlank(capped(text, 99));
}

}  // namespace

void Interaction::treeFocused() {
    m_desktop.focusInputLine();
}

void Interaction::treeClicked() {
    ++m_treeClickCount;
}

void Interaction::treeSelectionChanged(TreeItemId item) {
    if (m_treeClickCount == 0) return;
    --m_treeClickCount;
    const TreeItem* it = m_tree.model().item(item);
    if (it == nullptr || !it->children.empty()) return;
    std::string recipient(nameOf(it->text));
    if (const Session* session = m_tree.sessionOfItem(item)) {
        recipient += '@';
        recipient += session->chatName;
    }
    m_recipientBox.setText(recipient);
}

void Interaction::treeItemExpanded(TreeItemId item, bool expanded) {
    ChatterTree& tree = m_tree;
    const TreeItem* it = tree.model().item(item);
    if (it == nullptr) return;
    // A channel remembers whether it is open for the next rebuild of the list
    // (1 open, 0 closed) and shows the picture of that state: the odd image of
    // its pair while open, the even one while closed.
    tree.channelToggled(item, expanded ? 1 : 0);
    // The model follows what the user opened or closed: a channel taken back
    // by the next list then starts from what the window shows.
    tree.model().setExpanded(item, expanded);
    it = tree.model().item(item);
    if (it == nullptr) return;
    const int pair = it->image - it->image % 2;
    const int image = expanded ? pair + 1 : pair;
    tree.model().setImages(item, image, image + TreeImage::SelectedOffset);
}

bool Interaction::treeRightClicked(TreeItemId item) {
    if (m_treePress) {
        item = *m_treePress;
        m_treePress.reset();
    }
    ChatterTree& tree = m_tree;
    const TreeItem* it = tree.model().item(item);
    if (it == nullptr) return false;
    if (!it->children.empty()) {
        changeChannel(item);
        return false;
    }

    m_contextMenu.trim();
    m_menuItem = NoItem;
    // The chatter's chat is the text of its connection item, two levels up.
    const TreeItem* channel = tree.model().item(it->parent);
    const TreeItem* connection = channel != nullptr ? tree.model().item(channel->parent) : nullptr;
    const std::string chatName(connection != nullptr ? capped(connection->text, 254) : std::string_view());
    Session* session = m_sessions.findByChat(chatName);
    const std::string text(capped(it->text, 99));
    if (session == nullptr || equalsIgnoreCase(text, m_ownNick) || equalsIgnoreCase(text, session->nick)) {
        return false;
    }

    ContextMenu& menu = m_contextMenu;
    if (!session->chatterNames.empty()) {
        std::string label = text + "@" + chatName;
        label += m_ignoreList.isIgnored(*session, text) ? " nicht mehr ignorieren." : " ignorieren.";
        menu.append(IgnoreEntry, label);
    }
    std::string label = text;
    label +=
        m_chatWatch.isWatched(text, chatName) ? " vom ChatWatch entfernen." : " zum ChatWatch hinzuf\xFCgen.";
    menu.append(ChatWatchEntry, label);

    m_menuItem = item;
    m_menuName.assign(cutAtBlank(text));
    m_menuChat = chatName;
    return true;
}

bool Interaction::menuTarget(std::string& name, std::string& chatName) const {
    for (const ContextMenu::Entry& entry : m_contextMenu.entries()) {
        if (entry.command != IgnoreEntry) continue;
        const std::string_view label = cutAtBlank(capped(entry.label, 255));
        const auto at = label.find('@');
        name.assign(label.substr(0, at));
        chatName.assign(at == std::string_view::npos ? std::string_view() : label.substr(at + 1));
        return true;
    }
    return false;
}

void Interaction::ignoreChosen() {
    std::string name;
    std::string chatName;
    if (!menuTarget(name, chatName) || name.empty()) return;
    // The chatter's own session: the one of the item whose menu this is.
    Session* session = m_tree.sessionOfItem(m_menuItem);
    if (session == nullptr) session = m_sessions.findByChat(m_menuChat);
    m_ignoreList.toggle(session, name, chatName);
}

void Interaction::chatWatchChosen() {
    std::string name;
    std::string chatName;
    // Without an ignore entry (a session that has listed no chatters yet) the
    // menu's own chatter is the one meant.
    if (!menuTarget(name, chatName)) {
        name = m_menuName;
        chatName = m_menuChat;
    }
    if (name.empty()) return;
    m_chatWatch.toggle(name, chatName);
}

void Interaction::changeChannel(TreeItemId item) {
    ChatterTree& tree = m_tree;
    const Session* session = tree.sessionOfItem(item);
    const TreeItem* it = tree.model().item(item);
    if (session == nullptr || it == nullptr) return;
    const int socket = session->socket;
    // The label carries more after the channel's name (its count, a mark).
    const std::string_view text = capped(it->text, 99);
    const auto blank = text.rfind(' ');
    std::string command = "/c";
    if (blank != std::string_view::npos) {
        command += ' ';
        command += text.substr(0, blank);
    }
    if (isProtectedChannel(it->image)) {
        m_channelPassword.setText("");
        if (m_engine.runModal(Dialog::ChannelPassword) != 1) return;
        command += ' ';
        command += m_channelPassword.text();
        // The session may have ended while the dialog was open.
        if (m_sessions.findBySocket(socket) == nullptr) return;
    }
    command += '\r';
    sendTo(m_transport, socket, command);
}

void Interaction::listFocused() {
    m_desktop.focusInputLine();
}

void Interaction::listPressed(int row) {
    m_listPresses[0] = m_listPresses[1];
    m_listPresses[1] = m_messageView.rows().serial(row);
    m_listPressPending = true;
}

void Interaction::listClicked(int row) {
    // A left click is done with its press: a menu asked for by key later is
    // for the row it names.
    m_listPressPending = false;
    MessageView& view = m_messageView;
    if (row < 0 || row >= view.rows().count()) return;
    view.rows().setSelected(view.rows().marker(), false);
    view.rows().setMarker(row, row);
    view.moveMarker(0, true);
}

void Interaction::listDoubleClicked(int row) {
    MessageView& view = m_messageView;
    if (row <= 0 || row >= view.rows().count()) return;
    // A row that came between the presses has moved the rows: the row now
    // under the pointer is not the one the user aimed at.
    const std::uint64_t serial = view.rows().serial(row);
    if (m_listPresses[0] != serial || m_listPresses[1] != serial) return;
    std::string recipient(nameOf(view.rows().cell(row, view.nameColumn())));
    if (const Session* session = view.sessionOfRow(row)) {
        recipient += '@';
        recipient += session->chatName;
    }
    m_recipientBox.setText(recipient);
}

void Interaction::listRightClicked(int row) {
    MessageView& view = m_messageView;
    if (m_listPressPending) {
        m_listPressPending = false;
        row = view.rows().rowOfSerial(m_listPresses[1]);
    }
    if (row < 0 || row >= view.rows().count()) return;
    const std::string name(capped(view.rows().cell(row, view.nameColumn()), 99));
    Session* session = view.sessionOfRow(row);
    // As on the menu's road, the chatter's entry is made for its chat.
    const std::string chatName = session != nullptr ? session->chatName : std::string();
    m_ignoreList.toggle(session, name, chatName);
}

void Interaction::tabChosen() {
    m_engine.selectSessionTab();
    if (m_sessions.currentSocket() != NoSocket) m_desktop.focusInputLine();
}

void Interaction::demoFill() {
    static constexpr std::array<std::string_view, 8> Nicks = {"Test",   "Anna", "Bernd", "Clara",
                                                              "Dieter", "Emma", "Fritz", "Greta"};
    ChatterTree& tree = m_tree;
    tree.removeConnection(m_sessions.currentSocket());
    if (m_sessions.currentSocket() == NoSocket) {
        // The pseudo-session has no socket to remove its items by: the sample
        // items of an earlier fill go by their text.
        for (bool removed = true; removed;) {
            removed = false;
            for (const TreeItemId top : tree.model().topLevel()) {
                if (tree.model().item(top)->text == NewConnection) {
                    tree.model().remove(top);
                    removed = true;
                    break;
                }
            }
        }
    }
    m_namesList.clear();
    // A chatter's arrival check may open a box whose loop ends the session:
    // it is looked up again for every item.
    const int socket = m_sessions.currentSocket();
    const auto add = [&](std::string_view text, TreeItemId parent, TreeItemType type) {
        Session* session = m_sessions.findBySocket(socket);
        return session == nullptr ? NoItem : tree.addItem(*session, text, parent, type, true);
    };
    const TreeItemId top = add(NewConnection, NoItem, TreeItemType::Connection);
    const TreeItemId one = add("1", top, TreeItemType::Channel);
    const TreeItemId two = add("2", top, TreeItemType::Channel);
    const TreeItemId unnamed = add("", top, TreeItemType::Channel);
    for (std::size_t i = 0; i < 5; ++i)
        add(Nicks[i], one, TreeItemType::Chatter);
    add(Nicks[5], two, TreeItemType::Chatter);
    add(Nicks[6], two, TreeItemType::Chatter);
    add(Nicks[7], unnamed, TreeItemType::Chatter);
    if (Session* session = m_sessions.findBySocket(socket)) {
        tree.nameChannel(*session, unnamed, "New", false);
        tree.nameChannel(*session, unnamed, "NewT", true);
    }
    MessageView& view = m_messageView;
    // Samples, not chat: they are never logged.
    constexpr auto Demo = MessageView::RowOrigin::Demonstration;
    view.insert(NoSocket, "", "", LineKind::Public, Demo);
    view.insert(NoSocket, "Test", "Hallo", LineKind::Public, Demo);
    view.insert(NoSocket, "Test", "Hallo", LineKind::Public, Demo);
    view.insert(NoSocket, Nicks[1], "Hallo", LineKind::WhisperOut, Demo);
    view.insert(NoSocket, Nicks[2], "schlaeft ein.", LineKind::Event, Demo);
}

}  // namespace tavik
