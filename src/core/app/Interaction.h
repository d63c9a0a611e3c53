#pragma once

#include <string>
#include <string_view>

#include "net/TreeItemId.h"

namespace tavik {

class Client;

// What the mouse does on the chatter tree, the message list and the tab strip:
// clicks fill the recipient box, a right click on a chatter builds its context
// menu, one on a channel changes into it, one on a row toggles ignoring its
// sender; the keyboard focus always goes back to the input line.
class Interaction {
public:
    explicit Interaction(Client& client) : m_client(client) {}

    // The chatter tree.
    void treeFocused();  // focus gained, or the selection is about to change
    void treeClicked();
    // The selection changed, or a double click. Fills the recipient box only when
    // a click caused it, not when the tree is rebuilt under the selection.
    void treeSelectionChanged(TreeItemId item);
    // The user opened or closed a channel.
    void treeItemExpanded(TreeItemId item, bool expanded);
    // A chatter gets its context menu (true: show `Client::contextMenu()`); a
    // channel or connection is entered instead (after the password dialog for a
    // protected channel).
    bool treeRightClicked(TreeItemId item);
    // The context menu's two entries.
    void ignoreChosen();
    void chatWatchChosen();
    int treeClickCount() const { return m_treeClickCount; }

    // The message list.
    void listFocused();
    void listClicked(int row);
    void listDoubleClicked(int row);
    void listRightClicked(int row);

    // The tab strip: the focused tab's session becomes current.
    void tabChosen();

    // Ctrl+P: sample items in the tree and sample rows in the list.
    void demoFill();

private:
    void changeChannel(TreeItemId item);
    // The ignore entry's label cut at its first blank and split at its "@".
    bool menuTarget(std::string& name, std::string& chatName) const;

    Client& m_client;
    int m_treeClickCount = 0;
    // The chatter whose context menu is open.
    TreeItemId m_menuItem = 0;
    std::string m_menuName;
    std::string m_menuChat;
};

}  // namespace tavik
