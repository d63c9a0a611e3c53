#include "app/Client.h"

#include <algorithm>

#include "app/Title.h"
#include "platform/FileNames.h"
#include "platform/Files.h"
#include "text/Text.h"

namespace tavik {

Client::Client(Transport& transport, Desktop& desktop, Clock& clock, std::filesystem::path workingDirectory)
    : m_wire(transport, clock),
      m_transport(m_wire),
      m_desktop(desktop),
      m_clock(clock),
      m_workingDirectory(std::move(workingDirectory)),
      m_receiver(m_sessions, m_transport, *this, *this),
      m_connectDialog(m_settings, m_desktop, m_transport, m_servicePort) {
    m_connectLabel.setText("Verbinden");
    m_loginDialog.setOnNickChosen([this](std::string_view nick) { setOwnNick(nick); });
    m_inputLine.setOnChanged([this] { m_inputCommands.inputChanged(); });
    m_tabs.setOnSelectionChanged([this] { selectSessionTab(); });
    m_chatWatch.setOnAnnounced([this](int socket, std::string_view name) {
        // An ignored chatter's announcement is not shown either.
        if (!MessageView::ignores(m_sessions.findBySocket(socket), name))
            m_attention.chatterAnnounced(socket, name, notifying());
    });
    addSessionTab(NewConnection, "");
    m_messageView.clear();
}

void Client::setOwnNick(std::string_view nick) {
    m_ownNick.assign(capped(nick, 99));
}

void Client::loadFiles(const FontPicker& pickFont) {
    // What a save killed half-way left behind would otherwise lie there for good.
    removeStaleTemporaryFiles(m_workingDirectory / pathFromWindows1252(Settings::FileName));
    removeStaleTemporaryFiles(m_workingDirectory / pathFromWindows1252(ChatWatch::FileName));
    removeStaleTemporaryFiles(m_workingDirectory / pathFromWindows1252(Options::FileName));
    m_settings.load(m_workingDirectory / pathFromWindows1252(Settings::FileName), m_desktop, pickFont);
    m_options.load(m_workingDirectory / pathFromWindows1252(Options::FileName));
    m_messageView.setMaxRows(m_options.rows);
    if (m_options.saveInputHistory) {
        const BoundedRead read = readFileAtMost(m_workingDirectory / pathFromWindows1252(InputHistoryFile),
                                                InputHistory::MaxLines * 256);
        if (read.status == ReadStatus::Read || read.status == ReadStatus::TooLarge)
            m_inputCommands.history().setText(read.bytes);
    }
    for (int column = 0; column < 4; ++column) {
        m_messageView.setColumnWidth(column, m_settings.columnWidths[static_cast<std::size_t>(column)]);
    }
    m_chatWatch.load(m_workingDirectory / pathFromWindows1252(ChatWatch::FileName));
    m_chatWatch.refreshPresence("");
}

void Client::socketEvent(int socket, SocketEvent event, int error) {
    if (const Session* session = m_sessions.findBySocket(socket)) setOwnNick(session->nick);
    switch (event) {
        case SocketEvent::Read:
            readLoop(socket);
            break;
        case SocketEvent::Connect:
            if (error != 0) {
                m_desktop.messageBox("Fehler beim Erstellen einer Verbindung.", "Error", MessageBoxStyle::Ok);
                m_sessions.setCurrentSocket(socket);
                disconnect();
            }
            break;
        case SocketEvent::Close:
            connectionLost(socket);
            break;
    }
}

Session* Client::attachSession(int socket, std::string_view chatName, std::string_view nick) {
    m_sessions.setCurrentSocket(socket);
    m_sessions.add(chatName, "Login");
    Session* session = m_sessions.findByChatAndNick(chatName, "Login");
    if (session == nullptr) return nullptr;
    session->setSocket(socket);
    m_chatWatch.refreshPresence(chatName);
    setOwnNick(nick);
    addSessionTab(chatName, m_ownNick);
    m_messageView.insert(m_sessions.currentSocket(), " ", " ", LineKind::InProgress);
    m_messageView.setInProgressRows(m_messageView.inProgressRows() + 1);
    showPendingLine(socket);
    return m_sessions.findBySocket(socket);
}

void Client::addSessionTab(std::string_view chatName, std::string_view nick) {
    Session* session = nullptr;
    if (chatName != NewConnection) {
        session = m_sessions.findBySocket(m_sessions.currentSocket());
        if (session == nullptr) return;
        session->setChatName(chatName);
        // A session's nick is never empty: without a nick from the Login dialog
        // it keeps the one it has ("Login").
        if (!cutAtBlank(capped(nick, Session::MaxNick)).empty()) session->setNick(nick);
    } else {
        if (m_sessions.empty()) {
            m_sessions.makeFirst(chatName, nick);
        } else {
            m_sessions.add(chatName, nick);
        }
        session = m_sessions.findByChatAndNick(chatName, cutAtBlank(nick));
        if (session == nullptr) return;
    }
    session->setSocket(m_sessions.currentSocket());
    // The label carries the nick as the session keeps it (cut at its first blank),
    // so later lookups by label find the tab.
    std::string label = session->nick;
    label += '@';
    label += session->chatName;
    const int socket = session->socket;
    session->setTabIndex(m_tabs.insert(0, label, session->id));
    m_tabs.setFocus(0);
    m_sessions.setCurrentSocket(socket);
    if (m_tabs.count() > 2 && m_settings.columnWidths[3] == 0) {
        m_settings.columnWidths[3] = 100;
        m_messageView.setColumnWidth(m_messageView.chatColumn(), 100);
    }
}

void Client::renameOwnNick(Session& session, std::string_view newNick) {
    // «>-> Gast wird zu .» names nobody: the session keeps its nick.
    if (cutAtBlank(capped(newNick, Session::MaxNick)).empty()) return;
    session.setNick(newNick);
    const int index = m_tabs.findSession(session.id);
    if (index >= 0) m_tabs.setLabel(index, session.nick + '@' + session.chatName);
}

void Client::selectSessionTab() {
    const int focused = m_tabs.focused();
    if (focused < 0) return;
    const Session* session = m_sessions.findById(m_tabs.sessionId(focused));
    if (session == nullptr) return;
    if (session == m_sessions.first()) {
        m_sessions.setCurrentSocket(NoSocket);
        connectNew();
        return;
    }
    m_sessions.setCurrentSocket(session->socket);
    m_connectLabel.setText("Trennen");
}

void Client::nextChat() {
    const int count = m_tabs.count();
    if (count == 0) return;
    int next = (m_tabs.focused() + 1) % count;
    const auto isNewConnection = [&](int index) {
        return m_sessions.findById(m_tabs.sessionId(index)) == m_sessions.first();
    };
    if (count > 1 && isNewConnection(next)) next = (next + 1) % count;
    m_tabs.setFocus(next);
}

void Client::selectSessionNumber(int number) {
    int seen = 0;
    for (int index = 0; index < m_tabs.count(); ++index) {
        if (m_sessions.findById(m_tabs.sessionId(index)) == m_sessions.first()) continue;
        if (++seen == number) {
            if (m_tabs.focused() != index) m_tabs.setFocus(index);
            return;
        }
    }
}

void Client::connectNew() {
    // One connect at a time: the connect waits in a nested loop, where a click
    // on the "Neue Verbindung" tab or on "Verbinden" would start another one.
    if (m_connecting) return;
    m_connecting = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{m_connecting};

    const int remembered = m_tabs.focused();
    m_connectDialog.clearLookOnly();
    m_connectDialog.open();
    // Closing the dialog any other way than by connecting cancels.
    const int result = runModal(Dialog::Connect);
    if (result != 1 && result != 3) m_connectDialog.cancel();

    const std::string chatName = chatNameOf(m_connectDialog.host());
    if (m_sessions.findByChat(chatName) != nullptr) {
        alreadyInChat();
        return;
    }
    if (m_connectDialog.port() == 0) {
        m_tabs.setFocus(0);
        return;
    }
    const int socket = m_transport.open();
    m_sessions.setCurrentSocket(socket);
    if (socket == NoSocket) {
        m_desktop.messageBox("Fehler beim Erstellen vom Socket", "TavikClient", MessageBoxStyle::Ok);
    }
    const ResolveResult address = m_transport.resolve(m_connectDialog.host());
    // 0.0.0.0 names no server (a blocked name resolves to it); it is refused like a failed lookup.
    if (address.error != 0 || address.address.empty() || isNullAddress(address.address)) {
        m_desktop.messageBox(
            "Konnte die Hostname/IP nicht aufl\xF6sen. Wechseln Sie die Hostname oder erstellen Sie eine "
            "Verbindung zum Internet.",
            "Error", MessageBoxStyle::Ok);
        if (socket != NoSocket) m_transport.close(socket);
        m_sessions.setCurrentSocket(NoSocket);
        return;
    }
    const int error =
        socket == NoSocket ? 10038 : m_transport.connect(socket, address.address, m_connectDialog.port());
    if (error != 0) {
        // The failed attempt's socket is closed; no session, no tab.
        if (socket != NoSocket) m_transport.close(socket);
        if (m_sessions.currentSocket() == socket) m_sessions.setCurrentSocket(NoSocket);
        if (remembered >= 0) m_tabs.setFocus(remembered);
        m_desktop.messageBox(connectErrorMessage(error), "TavikClient", MessageBoxStyle::Ok);
        return;
    }
    // The connect waited in a nested loop: the chat may have a session by now.
    if (m_sessions.findByChat(chatName) != nullptr) {
        m_transport.close(socket);
        if (m_sessions.currentSocket() == socket) m_sessions.setCurrentSocket(NoSocket);
        alreadyInChat();
        return;
    }

    m_connectLabel.setText("Trennen");
    m_sessions.add(chatName, "Login");
    Session* session = m_sessions.findByChatAndNick(chatName, "Login");
    if (session == nullptr) return;
    session->setSocket(socket);
    m_reconnect.remember(session->id, {m_connectDialog.host(), m_connectDialog.port()});
    m_chatWatch.refreshPresence(chatName);
    const int login = runLoginDialog(socket, m_connectDialog.lookOnly());
    // The dialog's nested loop may have lost the connection already.
    if (m_sessions.findBySocket(socket) == nullptr) return;
    m_sessions.setCurrentSocket(socket);
    addSessionTab(chatName, m_ownNick);
    m_messageView.insert(m_sessions.currentSocket(), " ", " ", LineKind::InProgress);
    m_messageView.setInProgressRows(m_messageView.inProgressRows() + 1);
    showPendingLine(socket);
    send(m_sessions.currentSocket(), m_settings.loginTexts[0]);
    // Ask for the chatter list at once, so tree, names and title fill now and not
    // with the first keep-alive; its echo hides the list as the keep-alive's does.
    if (login == 1) send(m_sessions.currentSocket(), "/s\r");
}

void Client::alreadyInChat() {
    m_desktop.messageBox(
        "Du bist bereits in diesem Chat! Zuerst musst du die Verbindung trennen um eine neue Session zu "
        "oeffnen",
        "TavikTelnet", MessageBoxStyle::Ok);
}

void Client::showPendingLine(int socket) {
    // What arrived while the session had no row of its own (the login prompt) shows at once.
    if (Session* session = m_sessions.findBySocket(socket);
        session != nullptr && !session->partialLine.empty()) {
        m_messageView.showInProgress(*session, session->pendingBytes(), session->partialLine);
    }
}

void Client::connectOrDisconnect() {
    if (m_sessions.currentSocket() == NoSocket) {
        connectNew();
    } else {
        disconnect();
    }
    m_desktop.focusInputLine();
}

void Client::keepAliveTick() {
    const long long now = m_clock.steadyMilliseconds();
    for (const Session& session : m_sessions) {
        if (session.socket == NoSocket || WireWatch::parked(session.socket)) continue;
        m_transport.send(session.socket, "/s\r");
        m_reconnect.keepAliveSent(session.id, now);
    }
}

void Client::idleTick() {
    if (m_inputCommands.typedSinceIdleTick()) {
        m_inputCommands.setTypedSinceIdleTick(false);
        return;
    }
    disconnect();
}

bool Client::confirmClose() {
    if (m_tabs.count() == 1) return true;
    return m_desktop.messageBox("Wollen Sie wirklich beenden?", "TavikClient",
                                MessageBoxStyle::YesNoQuestion) != MessageBoxAnswer::No;
}

bool Client::shutdown(SaveFailure report) {
    if (m_sessions.currentSocket() != NoSocket) m_transport.close(m_sessions.currentSocket());
    return saveSettings(report);
}

void Client::disconnect() {
    if (m_sessions.currentSocket() == NoSocket) return;
    const int socket = m_sessions.currentSocket();
    const bool hadSession = m_sessions.findBySocket(socket) != nullptr;
    readLoop(socket);
    // Draining may open a box whose loop saw the server close this session and
    // tore it down already: closing it again would only add a second notice.
    if (hadSession && m_sessions.findBySocket(socket) == nullptr) return;
    m_transport.close(socket);
    m_messageView.insert(socket, "", "Die Verbindung wurde abgebrochen", LineKind::Alert);
    if (Session* session = m_sessions.findBySocket(socket)) {
        m_tabs.remove(m_tabs.findSession(session->id));
        // A session closed while its Login dialog was open has no such row yet.
        if (removeInProgressRow(session->chatName)) {
            m_messageView.setInProgressRows(m_messageView.inProgressRows() - 1);
        }
        m_chatterTree.removeConnection(socket);
        m_namesList.removeChat(session->chatName);
        m_reconnect.forget(session->id);
        m_sessions.remove(session);
    }
    // The notice's box may have run a loop in which another session became current.
    if (m_sessions.currentSocket() != socket) return;
    m_connectLabel.setText("Verbinden");
    m_sessions.setCurrentSocket(NoSocket);
    // The title no longer names the nick and the count of the session that is gone.
    setOwnNick("");
    m_chatterCount = 0;
    updateTitle();
    if (m_tabs.count() > 1) {
        // Tab 0 becomes current also when it has the focus already (no change
        // of focus, so no notification would make it current).
        if (m_tabs.focused() == 0) {
            selectSessionTab();
        } else {
            m_tabs.setFocus(0);
        }
    }
}

bool Client::removeInProgressRow(std::string_view chatName) {
    // Only the in-progress rows at the bottom are looked at: any other row of
    // the chat (the notice of the lost connection, say) is a message and stays.
    MessageRows& rows = m_messageView.rows();
    const int lowest = std::max(0, rows.count() - m_messageView.inProgressRows());
    for (int row = rows.count() - 1; row >= lowest; --row) {
        if (rows.kind(row) == LineKind::InProgress &&
            capped(rows.cell(row, m_messageView.chatColumn()), 99) == chatName) {
            rows.remove(row);
            rows.insert(0, LineKind::Plain, " ", "", "", "");
            return true;
        }
    }
    return false;
}

int Client::runModal(Dialog dialog) {
    const LogFile::LoopScope inDialog(m_logFile);
    ++m_modalDepth;
    m_messageView.setSideEffectsHeld(true);
    const int result = m_desktop.runDialog(dialog);
    --m_modalDepth;
    m_messageView.setSideEffectsHeld(m_modalDepth > 0);
    return result;
}

int Client::runLoginDialog(int socket, bool lookOnly) {
    // A second rejection arriving while the dialog is open needs no second dialog.
    if (m_loginDialogOpen) return 0;
    if (!m_loginDialog.open(lookOnly, socket)) return 3;
    m_loginDialogOpen = true;
    const int result = runModal(Dialog::Login);
    m_loginDialogOpen = false;
    return result;
}

std::string Client::title() const {
    return composeTitle(m_ownNick, m_chatterCount);
}

void Client::updateTitle() {
    composeTitle(m_title, m_ownNick, m_chatterCount);
    m_desktop.setTitle(m_title);
}

long Client::send(int socket, std::string_view bytes) {
    return sendTo(m_transport, socket, bytes);
}

void Client::loadArtFonts() {
    if (m_artFonts.loaded()) return;
    m_artFonts.load(m_workingDirectory / pathFromWindows1252("fonts"), m_desktop);
    m_artFontBox.setEntries(m_artFonts.names());
}

bool Client::saveSettings(SaveFailure report) {
    // A failure of our own file changes nothing the user set in settings.cfg
    // and is not worth a box: its options fall back to their defaults.
    m_options.save(m_workingDirectory / pathFromWindows1252(Options::FileName));
    // The lines sent are private: kept only when the user asked for it, and
    // gone from the disk once the option is off.
    const std::filesystem::path history = m_workingDirectory / pathFromWindows1252(InputHistoryFile);
    if (m_options.saveInputHistory) {
        writeFileAtomically(history, m_inputCommands.history().text());
    } else {
        std::error_code ec;
        if (std::filesystem::is_regular_file(std::filesystem::symlink_status(history, ec)))
            std::filesystem::remove(history, ec);
    }
    const std::filesystem::path file = m_workingDirectory / pathFromWindows1252(Settings::FileName);
    if (report == SaveFailure::Box) return m_settings.save(file, m_desktop);
    return writeFileAtomically(file, m_settings.image());
}

void Client::chatterListStarts(const Session& session) {
    m_namesList.removeChat(session.chatName);
    m_chatWatch.markAllStale(session.chatName);
}

void Client::chatterListEnds(const Session& session, int chattersListed) {
    // The title shows the count of the list that ended last, whichever session sent it.
    setChatterCount(chattersListed);
    updateTitle();
    m_wire.listEnded(session.socket);
    // A session that came back goes into its channel once the login went through.
    if (const std::string line = m_reconnect.takeChannelLine(session.id); !line.empty())
        send(session.socket, line);
    m_chatWatch.refreshPresence(session.chatName);
}

void Client::chatterListHeader(Session& session) {
    m_chatterTree.startList(session);
    m_namesList.removeChat(session.chatName);
}

void Client::chatterListRead(const Session& session) {
    m_chatterTree.endList(session.socket);
}

bool Client::hasTreeItem(TreeItemId item) const {
    return m_chatterTree.isCurrent(item);
}

TreeItemId Client::addTreeItem(Session& session, std::string_view text, TreeItemId parent,
                               TreeItemType type) {
    return m_chatterTree.addItem(session, text, parent, type);
}

TreeItemId Client::addChatter(Session& session, std::string_view text, std::size_t nameLength,
                              TreeItemId parent) {
    return m_chatterTree.addChatter(session, text, nameLength, parent);
}

void Client::nameChannel(Session& session, TreeItemId channel, std::string_view label,
                         bool protectedChannel) {
    m_chatterTree.nameChannel(session, channel, label, protectedChannel);
}

void Client::expandTreeItem(const Session& session, TreeItemId item) {
    m_chatterTree.expandConnection(session, item);
}

void Client::nameRejected(int socket, std::string_view why) {
    // The dialog says why it is back; a second rejection while it is open needs no second dialog.
    if (m_loginDialogOpen) return;
    const Session* refused = m_sessions.findBySocket(socket);
    const int refusedId = refused != nullptr ? refused->id : 0;
    m_reconnect.nameRefused(refusedId, true);
    m_loginDialog.setReason(why);
    const int result = runLoginDialog(socket);
    m_loginDialog.setReason("");
    if (result != 1) return;
    // The nested loop may have lost the session; what is left of it is looked up again.
    Session* session = m_sessions.findBySocket(socket);
    if (session == nullptr) return;
    m_reconnect.nameRefused(refusedId, false);
    // The session is the new nick's from now on: its tab, the title and every
    // check for the user's own lines (the away answer among them).
    renameOwnNick(*session, m_loginDialog.nick());
    setOwnNick(session->nick);
    updateTitle();
    // As after a first login: the nick's Login-Auto-Text, then the chatter list.
    send(socket, m_settings.loginTexts[0]);
    send(socket, "/s\r");
}

void Client::ownNickRenamed(Session& session, std::string_view newNick) {
    renameOwnNick(session, newNick);
}

void Client::deliverRow(int socket, std::string_view name, std::string_view text, LineKind kind) {
    if (m_reconnect.anyLoginOpen()) {
        if (const Session* s = m_sessions.findBySocket(socket);
            s != nullptr && m_reconnect.loginRow(s->id, text))
            finishReconnectLogin(s->id);
    }
    m_away.autoReply(socket, name, kind);
    // Before the row is shown: showing it may run a loop that changes the buffers `name` and `text` are in.
    if (!MessageView::ignores(m_sessions.findBySocket(socket), name))
        m_attention.rowArrived(socket, name, text, kind, notifying());
    m_messageView.insert(socket, name, text, kind);
}

void Client::showInProgress(Session& session, std::string_view cleaned) {
    m_messageView.showCleanedInProgress(session, cleaned);
}

void Client::beginReadEvent() {
    m_namesList.holdChanges();
    m_chatterTree.model().beginBatch();
    m_logFile.beginEvent();
}

void Client::endReadEvent() {
    // The window hears of the tree and the names of a read in one go, before
    // a failed log write can open a box.
    m_chatterTree.model().endBatch();
    m_namesList.releaseChanges();
    m_logFile.endEvent();
}

}  // namespace tavik
