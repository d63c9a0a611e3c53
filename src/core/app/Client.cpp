#include "app/Client.h"

#include "app/Text.h"
#include "app/Title.h"

namespace tavik {

Client::Client(Transport& transport, Desktop& desktop, Clock& clock, std::filesystem::path workingDirectory)
    : m_transport(transport),
      m_desktop(desktop),
      m_clock(clock),
      m_workingDirectory(std::move(workingDirectory)),
      m_messageView(*this),
      m_chatterTree(*this),
      m_chatWatch(*this),
      m_receiver(*this),
      m_away(*this),
      m_ignoreList(*this),
      m_logFile(*this),
      m_sound(*this) {
    m_tabs.setOnSelectionChanged([this] { selectSessionTab(); });
    addSessionTab(NewConnection, "");
    m_messageView.clear();
}

void Client::setOwnNick(std::string_view nick) {
    m_ownNick.assign(capped(nick, 99));
}

void Client::loadFiles() {
    m_chatWatch.load(m_workingDirectory / ChatWatch::FileName);
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
                m_currentSocket = socket;
                disconnect();
            }
            break;
        case SocketEvent::Close:
            m_currentSocket = socket;
            disconnect();
            break;
    }
}

Session* Client::attachSession(int socket, std::string_view chatName, std::string_view nick) {
    m_currentSocket = socket;
    m_sessions.add(chatName, "Login");
    Session* session = m_sessions.findByChatAndNick(chatName, "Login");
    if (session == nullptr) return nullptr;
    session->setSocket(socket);
    m_chatWatch.refreshPresence(chatName);
    setOwnNick(nick);
    addSessionTab(chatName, m_ownNick);
    m_messageView.insert(m_currentSocket, " ", " ", LineKind::InProgress);
    m_messageView.setInProgressRows(m_messageView.inProgressRows() + 1);
    return m_sessions.findBySocket(socket);
}

void Client::addSessionTab(std::string_view chatName, std::string_view nick) {
    Session* session = nullptr;
    if (chatName != NewConnection) {
        session = m_sessions.findBySocket(m_currentSocket);
        if (session == nullptr) return;
        session->setChatName(chatName);
        session->setNick(nick);
    } else {
        if (m_sessions.empty()) {
            m_sessions.makeFirst(chatName, nick);
        } else {
            m_sessions.add(chatName, nick);
        }
        session = m_sessions.findByChatAndNick(chatName, cutAtBlank(nick));
        if (session == nullptr) return;
    }
    session->setSocket(m_currentSocket);
    // The label carries the nick as the session keeps it (cut at its first blank),
    // so later lookups by label find the tab.
    std::string label = session->nick;
    label += '@';
    label += session->chatName;
    const int socket = session->socket;
    session->setTabIndex(m_tabs.insert(0, label));
    m_tabs.setFocus(0);
    m_currentSocket = socket;
    if (m_tabs.count() > 2 && m_settings.columnWidths[3] == 0) {
        m_settings.columnWidths[3] = 100;
        m_messageView.setColumnWidth(m_messageView.chatColumn(), 100);
    }
}

void Client::renameOwnNick(Session& session, std::string_view newNick) {
    std::string oldLabel = session.nick + '@' + session.chatName;
    session.setNick(newNick);
    const int index = m_tabs.find(oldLabel);
    if (index >= 0) m_tabs.setLabel(index, session.nick + '@' + session.chatName);
}

void Client::selectSessionTab() {
    const int focused = m_tabs.focused();
    if (focused < 0) return;
    const std::string_view label = capped(m_tabs.label(focused), 511);
    if (!label.empty() && equalsIgnoreCase(label.substr(1), NewConnection)) {
        m_currentSocket = NoSocket;
        connectNew();
        return;
    }
    const auto at = label.find('@');
    if (at != std::string_view::npos) {
        if (const Session* session =
                m_sessions.findByChatAndNick(label.substr(at + 1), label.substr(0, at))) {
            m_currentSocket = session->socket;
        }
    }
}

void Client::connectNew() {}

void Client::disconnect() {
    if (m_currentSocket == NoSocket) return;
    const int socket = m_currentSocket;
    readLoop(socket);
    m_transport.close(socket);
    m_messageView.insert(socket, "", "Die Verbindung wurde abgebrochen", LineKind::Alert);
    if (Session* session = m_sessions.findBySocket(socket)) {
        const std::string label = session->nick + '@' + session->chatName;
        for (int i = 0; i < m_tabs.count(); ++i) {
            if (equalsIgnoreCase(capped(m_tabs.label(i), 511), label)) {
                m_tabs.remove(i);
                break;
            }
        }
        removeInProgressRow(session->chatName);
        m_messageView.setInProgressRows(m_messageView.inProgressRows() - 1);
        m_chatterTree.removeConnection(socket);
        m_namesList.removeChat(session->chatName);
        m_sessions.remove(session);
    }
    m_currentSocket = NoSocket;
    if (m_tabs.count() > 1) m_tabs.setFocus(0);
}

void Client::removeInProgressRow(std::string_view chatName) {
    MessageRows& rows = m_messageView.rows();
    for (int row = rows.count() - 1; row >= 0; --row) {
        if (capped(rows.cell(row, m_messageView.chatColumn()), 99) == chatName) {
            rows.remove(row);
            rows.insert(0, LineKind::Plain, " ", "", "", "");
            return;
        }
    }
}

int Client::runModal(Dialog dialog) {
    ++m_modalDepth;
    const int result = m_desktop.runDialog(dialog);
    --m_modalDepth;
    return result;
}

int Client::runLoginDialog() {
    // A second rejection arriving while the dialog is open needs no second dialog.
    if (m_loginDialogOpen) return 0;
    m_loginDialogOpen = true;
    const int result = runModal(Dialog::Login);
    m_loginDialogOpen = false;
    return result;
}

std::string Client::title() const {
    return composeTitle(m_ownNick, m_chatterCount);
}

void Client::updateTitle() {
    m_desktop.setTitle(title());
}

long Client::send(int socket, std::string_view bytes) {
    if (socket == NoSocket) return -1;
    return m_transport.send(socket, bytes);
}

std::string_view Client::logoutAutoText() const {
    return {};
}

}  // namespace tavik
