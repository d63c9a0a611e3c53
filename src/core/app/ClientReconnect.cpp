// The reconnect of Client: a session whose connection the server or the
// network ended keeps its tab, its rows, its ignore marks and its place in
// the window, and connects again on its own (option "Automatisch neu
// verbinden"). While it waits, its socket is a parked one (see WireWatch):
// rows still find their session by socket, and nothing typed reaches a wire.

#include <string>
#include <vector>

#include "app/Client.h"
#include "text/Text.h"

namespace tavik {

namespace {

// Parked sockets lie below NoSocket, one per session: no transport hands them out.
int parkedSocketOf(int sessionId) {
    return NoSocket - 1 - sessionId;
}

// What is left of the old connection's stream is of no use to the new one.
void startStreamAfresh(Session& session) {
    session.receiveBegin = 0;
    session.receiveEnd = 0;
    session.partialLine.clear();
    session.partialCleanedLength = 0;
    session.partialState = LineStripper::State::Text;
    session.inProgressEmptyAt = 0;
    session.list = ChatterListState{};
    session.treeItem = NoItem;
}

// The Login-Auto-Text stored for `nick` (with its line end), or nothing.
std::string loginTextOf(const Settings& settings, std::string_view nick) {
    for (std::size_t slot = 0; slot < settings.nicknames.size(); ++slot) {
        if (!settings.nicknames[slot].empty() && equalsIgnoreCase(settings.nicknames[slot], nick))
            return settings.loginTexts[slot];
    }
    return {};
}

}  // namespace

bool Client::waitsForConnection(int tabIndex) const {
    return m_reconnect.waiting(m_tabs.sessionId(tabIndex));
}

std::string Client::channelToRejoin(const Session& session) const {
    // The channel the last list showed the user in; the last "/c" line sent
    // is taken when it names that channel, since it carries the password,
    // and when it went out after that list.
    const std::string sent = m_wire.lastChannelLine(session.socket);
    if (m_wire.channelLineSinceList(session.socket)) return sent;
    std::string channel;
    const ChatterTreeModel& model = m_chatterTree.model();
    if (model.item(session.treeItem) != nullptr) {
        for (const TreeItemId ch : model.children(session.treeItem)) {
            for (const TreeItemId chatter : model.children(ch)) {
                const TreeItem* item = model.item(chatter);
                if (item != nullptr && equalsIgnoreCase(cutAtBlank(item->text), session.nick))
                    channel = cutAtBlank(model.item(ch)->text);  // «Garten (3)»
            }
        }
    }
    if (channel.empty()) return sent;
    std::string_view sentChannel = sent.size() > 3 ? std::string_view(sent).substr(3) : std::string_view();
    sentChannel = cutAtBlank(sentChannel.substr(0, sentChannel.find('\r')));
    if (!sentChannel.empty() && equalsIgnoreCase(sentChannel, channel)) return sent;
    return "/c " + channel + "\r";
}

void Client::noteReconnectWait(int parkedSocket, long long waitMs) {
    std::string text = "Verbindung verloren \x96 neuer Versuch in ";
    appendNumber(text, static_cast<long>(waitMs / 1000));
    text += " s";
    m_messageView.insert(parkedSocket, "", text, LineKind::Alert);
}

void Client::connectionLost(int socket) {
    if (keepForReconnect(socket)) return;
    m_sessions.setCurrentSocket(socket);
    disconnect();
}

bool Client::keepForReconnect(int socket) {
    if (!m_options.reconnect) return false;
    const Session* session = m_sessions.findBySocket(socket);
    // Only a session that was logged in by the user: it has its tab and its
    // address. "/e" (typed, or the Login dialog's way out) ends it for good.
    if (session == nullptr || session == m_sessions.first() || WireWatch::parked(socket) ||
        m_wire.endedByUser(socket) || m_reconnect.address(session->id) == nullptr ||
        m_tabs.findSession(session->id) < 0)
        return false;
    const int id = session->id;
    // The last bytes of the old connection become rows, as at any end.
    readLoop(socket);
    Session* kept = m_sessions.findById(id);
    if (kept == nullptr || kept->socket != socket) return true;  // a box's loop ended it already
    std::string channelLine = channelToRejoin(*kept);
    m_transport.close(socket);
    m_chatterTree.removeConnection(socket);
    m_namesList.removeChat(kept->chatName);
    const int parked = parkedSocketOf(id);
    kept->setSocket(parked);
    startStreamAfresh(*kept);
    if (m_sessions.currentSocket() == socket) {
        m_sessions.setCurrentSocket(parked);
        m_chatterCount = 0;
        updateTitle();
    }
    // The plan first: the window asks it what the tab offers when the tab changes.
    const long long wait = m_reconnect.lost(id, m_clock.steadyMilliseconds(), std::move(channelLine));
    m_tabs.setDisconnected(m_tabs.findSession(id), true);
    noteReconnectWait(parked, wait);
    return true;
}

void Client::reconnectTick() {
    // A try's connect runs a nested loop, in which this tick comes again.
    if (m_reconnecting) return;
    const long long now = m_clock.steadyMilliseconds();
    std::vector<int> gone;
    std::vector<int> waiting;
    m_reconnect.forEachSession([&](int id) {
        if (m_sessions.findById(id) == nullptr)
            gone.push_back(id);
        else if (m_reconnect.waiting(id))
            waiting.push_back(id);
    });
    for (const int id : gone)
        m_reconnect.forget(id);
    if (!m_options.reconnect) {
        // The option went off while sessions waited: they end as a lost
        // connection without it does.
        for (const int id : waiting) {
            if (const Session* s = m_sessions.findById(id)) {
                const int parked = s->socket;
                m_reconnect.forget(id);
                m_sessions.setCurrentSocket(parked);
                disconnect();
            }
        }
        return;
    }
    // A keep-alive that got nothing back in time: the line is dead though
    // nobody closed it (a suspended machine, another network).
    std::vector<int> dead;
    for (const Session& s : m_sessions) {
        if (s.socket == NoSocket || WireWatch::parked(s.socket)) continue;
        if (m_reconnect.keepAliveUnanswered(s.id, m_wire.lastReceived(s.socket), now))
            dead.push_back(s.socket);
    }
    for (const int socket : dead) {
        if (m_sessions.findBySocket(socket) != nullptr) connectionLost(socket);
    }
    for (const int id : m_reconnect.loginsOverdue(now))
        finishReconnectLogin(id);
    if (const int id = m_reconnect.due(m_clock.steadyMilliseconds()); id != 0) reconnectAttempt(id);
}

void Client::reconnectNow(int tabIndex) {
    const int id = m_tabs.sessionId(tabIndex);
    if (!m_reconnect.waiting(id)) return;
    m_reconnect.tryNow(id, m_clock.steadyMilliseconds());
    reconnectTick();
}

void Client::reconnectAttempt(int sessionId) {
    m_reconnecting = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{m_reconnecting};

    const ReconnectPlan::Address* known = m_reconnect.address(sessionId);
    const Session* session = m_sessions.findById(sessionId);
    if (known == nullptr || session == nullptr) return;
    const ReconnectPlan::Address address = *known;
    const int parked = session->socket;

    const int socket = m_transport.open();
    int error = socket == NoSocket ? 10038 : 0;
    if (error == 0) {
        const ResolveResult resolved = m_transport.resolve(address.host);
        if (resolved.error != 0 || resolved.address.empty() || isNullAddress(resolved.address))
            error = resolved.error != 0 ? resolved.error : 11001;
        else
            error = m_transport.connect(socket, resolved.address, address.port);
    }
    // The connect waited in a nested loop: "Trennen" may have ended the wait.
    Session* back = m_sessions.findById(sessionId);
    if (back == nullptr || back->socket != parked || !m_reconnect.waiting(sessionId)) {
        if (socket != NoSocket) m_transport.close(socket);
        return;
    }
    if (error != 0) {
        if (socket != NoSocket) m_transport.close(socket);
        noteReconnectWait(parked, m_reconnect.failed(sessionId, m_clock.steadyMilliseconds()));
        return;
    }
    back->setSocket(socket);
    m_reconnect.connected(sessionId, m_clock.steadyMilliseconds());
    m_tabs.setDisconnected(m_tabs.findSession(sessionId), false);
    if (m_sessions.currentSocket() == parked) m_sessions.setCurrentSocket(socket);
    // The nick, as the Login dialog sends it; the rest once the server took it.
    send(socket, back->nick + "\r");
}

void Client::finishReconnectLogin(int sessionId) {
    m_reconnect.finishLogin(sessionId);
    const Session* session = m_sessions.findById(sessionId);
    if (session == nullptr || WireWatch::parked(session->socket)) return;
    const int socket = session->socket;
    // Told only now: a server may take a connection and close it at once.
    m_messageView.insert(socket, "", "Verbindung wiederhergestellt", LineKind::Alert);
    session = m_sessions.findById(sessionId);  // the row's log write may have run a loop
    if (session == nullptr || session->socket != socket) return;
    // As after a login in the Login dialog: the Login-Auto-Text and the
    // chatter list; the channel follows when that list has come.
    if (const std::string text = loginTextOf(m_settings, session->nick); !text.empty()) send(socket, text);
    send(socket, "/s\r");
}

}  // namespace tavik
