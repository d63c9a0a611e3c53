#pragma once

#include <string>
#include <string_view>

#include "net/LineKind.h"
#include "net/TreeItemId.h"

namespace tavik {

struct Session;
class SessionList;

// One classified server line: name and text point into the classified line.
struct ServerLine {
    LineKind kind = LineKind::Stop;
    std::string_view name;
    std::string_view text;
};

// Name characters of the chatter list: printable ASCII except # $ ( ) , @ | ~, and "ç".
bool isNameChar(unsigned char c);

// Where the classifier's findings go above the network layer: the chatter
// tree, the names list, ChatWatch, the title, the Login dialog and the tabs.
// The engine implements it. Any call may open a box or a dialog whose nested
// loop ends sessions; the classifier looks its session up again after those.
class ChatterListSink {
public:
    virtual ~ChatterListSink() = default;

    // The first "+" line: the session's names are about to be listed anew.
    virtual void chatterListStarts(const Session& session) = 0;
    // The third "+" line: the list is whole, with `chattersListed` names.
    virtual void chatterListEnds(const Session& session, int chattersListed) = 0;
    // A list header: the session's items and names are rebuilt from here.
    virtual void chatterListHeader(Session& session) = 0;
    // The list begun by the last header is read: it ended, or a line that
    // belongs to no list cut it off.
    virtual void chatterListRead(const Session& session) = 0;

    // The session's items in the chatter tree.
    virtual bool hasTreeItem(TreeItemId item) const = 0;
    // NoItem, or an item under `parent`, which then is still one of the tree's.
    virtual TreeItemId addTreeItem(Session& session, std::string_view text, TreeItemId parent,
                                   TreeItemType type) = 0;
    // addTreeItem for a chatter listed as `text`, whose first `nameLength`
    // bytes are its name as cut at its first blank.
    virtual TreeItemId addChatter(Session& session, std::string_view text, std::size_t nameLength,
                                  TreeItemId parent) = 0;
    virtual void nameChannel(Session& session, TreeItemId channel, std::string_view label,
                             bool protectedChannel) = 0;
    virtual void expandTreeItem(const Session& session, TreeItemId item) = 0;

    // The server rejected the nickname the session logged in with.
    // `why` is the server's line, which the reopened Login dialog shows.
    virtual void nameRejected(int socket, std::string_view why) = 0;
    // The server renamed the session's own nick.
    virtual void ownNickRenamed(Session& session, std::string_view newNick) = 0;
};

// Tells what a server line is by its first characters, cuts it into name and
// text, and carries out what the line implies: a framed chatter list rebuilds
// the session's part of the chatter tree, the names list, the ChatWatch
// presence and the title's count; a rejected nickname reopens the Login dialog;
// a rename of the own nick relabels its tab.
class LineClassifier {
public:
    LineClassifier(SessionList& sessions, ChatterListSink& sink) : m_sessions(sessions), m_sink(sink) {}

    // `line` must stay alive and unchanged while the result is used.
    ServerLine classify(Session& session, int socket, std::string_view line);

private:
    ServerLine plusRule(Session& session, std::string_view line);
    ServerLine barRule(Session& session, int socket, std::string_view line);
    ServerLine minusRule(Session& session, std::string_view line);
    ServerLine greaterRule(Session& session, std::string_view line);
    ServerLine lessRule(Session& session, std::string_view line);
    ServerLine slashRule(Session& session, std::string_view line);
    ServerLine gRule(Session& session, std::string_view line);
    void ensureTreeItems(Session& session);

    SessionList& m_sessions;
    ChatterListSink& m_sink;
    std::string m_label;
};

}  // namespace tavik
