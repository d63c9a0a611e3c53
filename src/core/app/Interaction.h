#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "net/TreeItemId.h"
#include "platform/Desktop.h"

namespace tavik {

class ChatWatch;
class ChatterTree;
class ContextMenu;
class IgnoreList;
class MessageView;
class NamesListBox;
class SessionList;
class TextField;
class Transport;

// The engine's own operations a click can start; the engine implements them.
class EngineOperations {
public:
    virtual ~EngineOperations() = default;
    // Runs a modal dialog of the program (rows arriving meanwhile skip their side effects).
    virtual int runModal(Dialog dialog) = 0;
    // The focused tab's session becomes current; the new-connection tab connects.
    virtual void selectSessionTab() = 0;
};

// What the mouse does on the chatter tree, the message list and the tab strip:
// clicks fill the recipient box, a right click on a chatter builds its context
// menu, one on a channel changes into it, one on a row toggles ignoring its
// sender; the keyboard focus always goes back to the input line.
class Interaction {
public:
    // `ownNick` is the nick the program spoke as last, kept by the engine.
    Interaction(EngineOperations& engine, SessionList& sessions, ChatterTree& tree, NamesListBox& namesList,
                MessageView& messageView, ContextMenu& contextMenu, IgnoreList& ignoreList,
                ChatWatch& chatWatch, TextField& recipientBox, TextField& channelPassword,
                const std::string& ownNick, Transport& transport, Desktop& desktop)
        : m_engine(engine),
          m_sessions(sessions),
          m_tree(tree),
          m_namesList(namesList),
          m_messageView(messageView),
          m_contextMenu(contextMenu),
          m_ignoreList(ignoreList),
          m_chatWatch(chatWatch),
          m_recipientBox(recipientBox),
          m_channelPassword(channelPassword),
          m_ownNick(ownNick),
          m_transport(transport),
          m_desktop(desktop) {}

    // The chatter tree.
    void treeFocused();  // focus gained, or the selection is about to change
    void treeClicked();
    // The selection changed, or a double click. Fills the recipient box only when
    // a click caused it, not when the tree is rebuilt under the selection.
    void treeSelectionChanged(TreeItemId item);
    // The user opened or closed a channel.
    void treeItemExpanded(TreeItemId item, bool expanded);
    // A button went down over `item` (NoItem: over no item). A context menu
    // that follows is for this item, whatever the tree holds by then.
    void treePressed(TreeItemId item) { m_treePress = item; }
    // A chatter gets its context menu (true: show `Client::contextMenu()`); a
    // channel or connection is entered instead (after the password dialog for a
    // protected channel). The item is the one pressed on, if a press came
    // before (a list may have rebuilt the tree since), else `item`.
    bool treeRightClicked(TreeItemId item);
    // The context menu's two entries.
    void ignoreChosen();
    void chatWatchChosen();
    int treeClickCount() const { return m_treeClickCount; }

    // The message list. Rows come and go under the pointer: a press notes
    // which row it fell on by its serial, and what follows acts on that row.
    void listFocused();
    // A button went down over `row` (-1: over no row).
    void listPressed(int row);
    void listClicked(int row);
    // Fills the recipient box only when both presses of the double click fell
    // on the row now at `row`.
    void listDoubleClicked(int row);
    // Acts on the row the last press fell on, wherever it stands now (nothing
    // when it is gone); on `row` when no press came before (the menu key).
    void listRightClicked(int row);

    // The tab strip: the focused tab's session becomes current.
    void tabChosen();

    // Ctrl+P: sample items in the tree and sample rows in the list.
    void demoFill();

private:
    void changeChannel(TreeItemId item);
    // The ignore entry's label cut at its first blank and split at its "@".
    bool menuTarget(std::string& name, std::string& chatName) const;

    EngineOperations& m_engine;
    SessionList& m_sessions;
    ChatterTree& m_tree;
    NamesListBox& m_namesList;
    MessageView& m_messageView;
    ContextMenu& m_contextMenu;
    IgnoreList& m_ignoreList;
    ChatWatch& m_chatWatch;
    TextField& m_recipientBox;
    TextField& m_channelPassword;
    const std::string& m_ownNick;
    Transport& m_transport;
    Desktop& m_desktop;
    int m_treeClickCount = 0;
    std::optional<TreeItemId> m_treePress;
    // The serials of the rows the last two presses fell on, the last one
    // last; 0 for a press on no row.
    std::array<std::uint64_t, 2> m_listPresses{};
    bool m_listPressPending = false;  // a press not yet taken by a right click
    // The chatter whose context menu is open.
    TreeItemId m_menuItem = 0;
    std::string m_menuName;
    std::string m_menuChat;
};

}  // namespace tavik
