#include "chat/ChatterTree.h"

#include "chat/ChatWatch.h"
#include "chat/NamesListBox.h"
#include "net/Session.h"
#include "text/Text.h"

namespace tavik {

std::size_t ChatterTree::itemsUnder(TreeItemId top) const {
    return m_model.descendantCount(top);
}

TreeItemId ChatterTree::addItem(Session& session, std::string_view text, TreeItemId parent, TreeItemType type,
                                bool protectedChannel) {
    if (type != TreeItemType::Connection && itemsUnder(session.treeItem) >= MaxItemsPerSession) return NoItem;
    if (parent != NoItem && !m_model.contains(parent)) return NoItem;
    int image = TreeImage::Connection;
    switch (type) {
        case TreeItemType::Chatter: {
            // The arrival check may open a message box (a failed log write or
            // ChatWatch save) whose loop can end this session: it gets copies,
            // and the session is looked up again afterwards. With nobody
            // watched it does nothing, and the copy is spared.
            const int socket = session.socket;
            if (!m_watch.list().empty()) {
                const std::string chatName = session.chatName;
                m_watch.chatterSeen(socket, text, chatName);
            }
            Session* live = m_sessions.findBySocket(socket);
            if (live == nullptr) return NoItem;
            const NameEntry* entry = live->addedChatterName(text);
            image = entry != nullptr && entry->active != 0 ? TreeImage::ChatterIgnored : TreeImage::Chatter;
            m_names.add(text, live->chatName);
            break;
        }
        case TreeItemType::Channel:
            image = protectedChannel ? TreeImage::ProtectedChannel : TreeImage::Channel;
            break;
        case TreeItemType::Connection:
            break;
    }
    // The arrival check above may have run a box's loop, in which a new list
    // of the session may have rebuilt its items.
    if (parent != NoItem && !m_model.contains(parent)) return NoItem;
    return m_model.insertSorted(parent, text, image, image + TreeImage::SelectedOffset,
                                type == TreeItemType::Connection);
}

void ChatterTree::nameChannel(Session& session, TreeItemId item, std::string_view label,
                              bool protectedChannel) {
    const int image = protectedChannel ? TreeImage::ProtectedChannel : TreeImage::Channel;
    m_model.setText(item, label);
    m_model.setImages(item, image, image + TreeImage::SelectedOffset);
    session.addChannel(label);
    const NameEntry* entry = session.channels.find(label, "", true);
    if (entry == nullptr || entry->optionA != 0) m_model.setExpanded(item, true);
}

Session* ChatterTree::channelToggled(TreeItemId item, int value) {
    const TreeItem* it = m_model.item(item);
    if (it == nullptr) return nullptr;
    Session* session = sessionOfItem(item);
    if (session == nullptr) return nullptr;
    if (NameEntry* entry = session->channels.find(capped(it->text, 99), "", true)) {
        entry->optionA = static_cast<std::uint8_t>(value != 0 ? 1 : 0);
    }
    return session;
}

void ChatterTree::removeConnection(int socket) {
    if (socket == NoSocket) return;
    const Session* session = m_sessions.findBySocket(socket);
    if (session == nullptr) return;
    bool removed = true;
    while (removed) {
        removed = false;
        for (const TreeItemId top : m_model.topLevel()) {
            if (equalsIgnoreCase(capped(m_model.item(top)->text, 254), session->chatName)) {
                m_model.remove(top);
                removed = true;
                break;
            }
        }
    }
}

Session* ChatterTree::sessionOfItem(TreeItemId item) {
    const TreeItem* it = m_model.item(item);
    if (it == nullptr) return nullptr;
    while (it->parent != NoItem) {
        const TreeItem* parent = m_model.item(it->parent);
        if (parent == nullptr) return nullptr;
        it = parent;
    }
    return m_sessions.findByChat(capped(it->text, 254));
}

}  // namespace tavik
