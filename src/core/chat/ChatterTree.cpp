#include "chat/ChatterTree.h"

#include "chat/ChatWatch.h"
#include "chat/NamesListBox.h"
#include "net/Session.h"
#include "text/Text.h"

namespace tavik {

std::size_t ChatterTree::itemsUnder(TreeItemId top) const {
    return m_model.currentCount(top);
}

ChatterTree::Relist* ChatterTree::relistOf(int socket) {
    for (Relist& r : m_relists) {
        if (r.socket == socket) return &r;
    }
    return nullptr;
}

bool ChatterTree::reusable(TreeItemId channel) const {
    // A new channel comes in unnamed and goes to the first row, before all
    // named ones: the channels end up in the reverse of the order they were
    // listed in, which is how the last list's channels are handed out again.
    // A channel is taken back only with a name and its chatters in order.
    return !m_model.item(channel)->text.empty() && m_model.rowsInOrder(channel);
}

void ChatterTree::startList(Session& session) {
    session.startListedNames();
    const int socket = session.socket;
    endList(socket);
    TreeItemId top = NoItem;
    int matches = 0;
    for (const TreeItemId t : m_model.topLevel()) {
        if (equalsIgnoreCase(capped(m_model.item(t)->text, 254), session.chatName)) {
            top = t;
            ++matches;
        }
    }
    if (matches != 1) {
        removeConnection(socket);
        // A first list is read into no items of a last one, in one batch all the same.
        Relist& fresh = m_relists.emplace_back();
        fresh.socket = socket;
        fresh.batchOpen = true;
        m_model.beginBatch();
        return;
    }
    // What cannot be taken back goes now, as the header has it go. That is
    // also the channel the header line itself opened before it was known to
    // be one.
    for (std::size_t row = m_model.children(top).size(); row-- > 0;) {
        const TreeItemId channel = m_model.children(top)[row];
        if (!reusable(channel)) m_model.remove(channel);
    }
    Relist* relist = relistOf(socket);
    if (relist == nullptr) {
        m_relists.emplace_back();
        relist = &m_relists.back();
        relist->socket = socket;
    }
    relist->top = top;
    if (!relist->batchOpen) {
        relist->batchOpen = true;
        m_model.beginBatch();
    }
    relist->channels.clear();
    const std::vector<TreeItemId>& channels = m_model.children(top);
    relist->channels.assign(channels.rbegin(), channels.rend());
    relist->nextChannel = 0;
    relist->expanded = false;
    m_model.markStale(top);
}

void ChatterTree::endList(int socket) {
    Relist* relist = relistOf(socket);
    if (relist == nullptr) return;
    if (relist->top == NoItem) {
        endBatch(*relist);
        return;
    }
    const TreeItemId top = relist->top;
    relist->top = NoItem;
    // A new connection item opens with the first channel named: closed
    // stays the one taken back when no channel of the list was.
    if (m_model.contains(top) && !m_model.isStale(top) && !relist->expanded) m_model.setExpanded(top, false);
    relist->channels.clear();
    m_model.removeStale(top);
    // Chatters taken back kept their rows: where names that compare equal
    // came in another order than last time, they are put in this list's.
    if (m_model.contains(top)) {
        for (const TreeItemId channel : m_model.children(top))
            m_model.orderEqualItems(channel);
    }
    endBatch(*relist);
}

void ChatterTree::endBatch(Relist& relist) {
    if (!relist.batchOpen) return;
    relist.batchOpen = false;
    m_model.endBatch();
}

TreeItemId ChatterTree::reviveConnection(Relist& relist, std::string_view text) {
    const TreeItemId top = relist.top;
    if (!m_model.isStale(top)) return NoItem;
    // Inserted anew it would go where it stands only in rows in order in
    // which no other item compares equal to it.
    const std::vector<TreeItemId>& rows = m_model.topLevel();
    const int row = m_model.rowOf(top);
    const bool alone = (row == 0 || compareIgnoreCase(m_model.item(rows[row - 1])->text, text) < 0) &&
                       (static_cast<std::size_t>(row) + 1 == rows.size() ||
                        compareIgnoreCase(text, m_model.item(rows[row + 1])->text) < 0);
    if (m_model.item(top)->text == text && m_model.rowsInOrder(NoItem) && alone) {
        m_model.revive(top);
        return top;
    }
    // It cannot be taken back: it goes now, as a new list's header would have had it go.
    relist.top = NoItem;
    relist.channels.clear();
    m_model.remove(top);
    return NoItem;
}

TreeItemId ChatterTree::reviveChannel(Relist& relist, TreeItemId parent, int image) {
    while (relist.nextChannel < relist.channels.size()) {
        const TreeItemId channel = relist.channels[relist.nextChannel++];
        const TreeItem* it = m_model.item(channel);
        if (it == nullptr || !m_model.isStale(channel) || it->parent != parent) continue;
        // Until its label comes it stands as a new channel would: unnamed and
        // closed, in the first row a new one would take (see reusable()).
        m_model.revive(channel);
        m_model.setText(channel, "");
        m_model.setImages(channel, image, image + TreeImage::SelectedOffset);
        m_model.setExpanded(channel, false);
        return channel;
    }
    return NoItem;
}

TreeItemId ChatterTree::addChatter(Session& session, std::string_view text, std::size_t nameLength,
                                   TreeItemId parent) {
    if (itemsUnder(session.treeItem) >= MaxItemsPerSession) return NoItem;
    // An item left over from the last list is as good as gone.
    if (parent != NoItem && !isCurrent(parent)) return NoItem;
    // The arrival check may open a message box (a failed log write or
    // ChatWatch save) whose loop can end this session: it gets copies, and
    // the session is looked up again afterwards. With nobody watched it does
    // nothing, and the copy is spared.
    Session* live = &session;
    if (!m_watch.list().empty()) {
        const int socket = session.socket;
        const std::string chatName = session.chatName;
        m_watch.chatterSeen(socket, text, chatName);
        live = m_sessions.findBySocket(socket);
        if (live == nullptr) return NoItem;
        // The box's loop may have let a new list of the session in, which
        // rebuilt its items.
        if (parent != NoItem && !isCurrent(parent)) return NoItem;
    }
    // Both name lists keep the name without its remark.
    const std::string_view name = text.substr(0, nameLength);
    NameEntry* entry = live->listedChatterName(name);
    const int image = entry != nullptr && entry->active != 0 ? TreeImage::ChatterIgnored : TreeImage::Chatter;
    m_names.addName(name, live->chatName);
    // A chatter listed again is most often taken back through its name's
    // entry, without a search; else as insertOrRevive finds it.
    const int selected = image + TreeImage::SelectedOffset;
    TreeItemId item =
        entry != nullptr ? m_model.reviveAs(entry->treeItem, parent, text, image, selected) : NoItem;
    if (item == NoItem) item = m_model.insertOrRevive(parent, text, image, selected);
    if (entry != nullptr) entry->treeItem = item;
    return item;
}

TreeItemId ChatterTree::addItem(Session& session, std::string_view text, TreeItemId parent, TreeItemType type,
                                bool protectedChannel) {
    if (type == TreeItemType::Chatter) return addChatter(session, text, cutAtBlank(text).size(), parent);
    if (type != TreeItemType::Connection && itemsUnder(session.treeItem) >= MaxItemsPerSession) return NoItem;
    // An item left over from the last list is as good as gone.
    if (parent != NoItem && !isCurrent(parent)) return NoItem;
    int image = TreeImage::Connection;
    switch (type) {
        case TreeItemType::Chatter:  // added by addChatter above
            break;
        case TreeItemType::Channel:
            image = protectedChannel ? TreeImage::ProtectedChannel : TreeImage::Channel;
            if (Relist* relist = relistOf(session.socket); relist != nullptr && relist->top == parent) {
                const TreeItemId channel = reviveChannel(*relist, parent, image);
                if (channel != NoItem) return channel;
            }
            break;
        case TreeItemType::Connection:
            if (Relist* relist = relistOf(session.socket); relist != nullptr && relist->top != NoItem) {
                const TreeItemId top = reviveConnection(*relist, text);
                if (top != NoItem) return top;
            }
            break;
    }
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

void ChatterTree::expandConnection(const Session& session, TreeItemId item) {
    m_model.setExpanded(item, true);
    if (Relist* relist = relistOf(session.socket); relist != nullptr && relist->top == item)
        relist->expanded = true;
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
    for (Relist& r : m_relists) {
        if (r.socket == socket) endBatch(r);
    }
    std::erase_if(m_relists, [socket](const Relist& r) { return r.socket == socket; });
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
