#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "chat/ChatterTreeModel.h"
#include "platform/Transport.h"

namespace tavik {

class ChatWatch;
class NamesListBox;
struct Session;
class SessionList;

// Image indices of the tree's image list; the selected image is the image + 10.
namespace TreeImage {
constexpr int ChatterIgnored = 0;
constexpr int Chatter = 1;
constexpr int ChannelCollapsed = 4;
constexpr int Channel = 5;
constexpr int ProtectedChannelCollapsed = 6;
constexpr int ProtectedChannel = 7;
constexpr int Connection = 9;
constexpr int SelectedOffset = 10;
}  // namespace TreeImage

// The sessions, their channels and the chatters present, as the servers last
// listed them, plus the names list box used for completion.
class ChatterTree {
public:
    // Safety limits against a server that lists without end: a list never
    // gives a session more items than this, whatever arrives. (While it is
    // read, the items of the last list not yet taken back stay besides.)
    static constexpr std::size_t MaxItemsPerSession = 20000;

    // A chatter item also goes to `watch` (the arrival check) and to `names`.
    ChatterTree(SessionList& sessions, NamesListBox& names, ChatWatch& watch)
        : m_sessions(sessions), m_names(names), m_watch(watch) {}

    ChatterTreeModel& model() { return m_model; }
    const ChatterTreeModel& model() const { return m_model; }

    // For a chatter also runs the ChatWatch arrival check and records the name in
    // the session's chatter names and in the names list box. NoItem when the
    // parent is gone or the session holds MaxItemsPerSession items. The arrival
    // check may open a message box whose loop ends the session: NoItem then too,
    // and the caller must look the session up again before touching it.
    TreeItemId addItem(Session& session, std::string_view text, TreeItemId parent, TreeItemType type,
                       bool protectedChannel = false);
    // addItem for a chatter listed as `text`, whose first `nameLength` bytes
    // are its name as cut at its first blank.
    TreeItemId addChatter(Session& session, std::string_view text, std::size_t nameLength, TreeItemId parent);
    void nameChannel(Session& session, TreeItemId item, std::string_view label, bool protectedChannel);
    // Opens a session's connection item once a channel of its list is named.
    void expandConnection(const Session& session, TreeItemId item);

    // The header of a new list of the session's chatters: the tree ends up
    // as if its items were removed here and the list's were inserted anew.
    // The items of the last list stay until the list ends, though, and those
    // it lists again are taken back rather than inserted: a keep-alive list
    // that changed little costs little, and the window keeps its selection.
    void startList(Session& session);
    // The list of `socket` ended (or was cut off): what it did not list goes.
    void endList(int socket);
    // An item that is not left over from a list being read.
    bool isCurrent(TreeItemId item) const { return m_model.isCurrent(item); }
    // Stores a channel's expand flag (0 or 1) for the rebuilds to come.
    Session* channelToggled(TreeItemId item, int value);
    // Removes the top-level items of the session of `socket` with everything under them.
    void removeConnection(int socket);
    Session* sessionOfItem(TreeItemId item);

private:
    // A list being read over the items of the session's last list.
    struct Relist {
        int socket = NoSocket;
        TreeItemId top = NoItem;           // the connection item of the last list; NoItem: none read
        std::vector<TreeItemId> channels;  // its channels, in the order they were listed
        std::size_t nextChannel = 0;       // the next of them a new channel takes
        bool expanded = false;             // a channel of this list was named
        // The list's changes are one batch of the model's (see beginBatch),
        // from its header to its end or to the end of its session.
        bool batchOpen = false;
    };
    // Items under `top` that are not left over from the last list.
    std::size_t itemsUnder(TreeItemId top) const;
    Relist* relistOf(int socket);
    void endBatch(Relist& relist);
    // Whether a channel of the last list can be taken back with its chatters.
    bool reusable(TreeItemId channel) const;
    TreeItemId reviveConnection(Relist& relist, std::string_view text);
    TreeItemId reviveChannel(Relist& relist, TreeItemId parent, int image);

    SessionList& m_sessions;
    NamesListBox& m_names;
    ChatWatch& m_watch;
    ChatterTreeModel m_model;
    std::vector<Relist> m_relists;  // kept, with their capacity, while the session lives
};

}  // namespace tavik
