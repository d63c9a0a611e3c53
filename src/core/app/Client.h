#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "app/Settings.h"
#include "chat/AwayMessage.h"
#include "chat/ChatWatch.h"
#include "chat/ChatterTree.h"
#include "chat/IgnoreList.h"
#include "chat/LogFile.h"
#include "chat/MessageView.h"
#include "chat/NamesListBox.h"
#include "chat/Sound.h"
#include "chat/TabStrip.h"
#include "chat/TextField.h"
#include "net/ReceivePipeline.h"
#include "net/Session.h"
#include "platform/Clock.h"
#include "platform/Desktop.h"
#include "platform/Transport.h"

namespace tavik {

// Socket events as the transport reports them (the low word of WM_SOCKET).
enum class SocketEvent { Read = 1, Connect = 16, Close = 32 };

// The engine: owns every piece of state the window shows and all sessions, and
// reaches the outside world only through Transport, Desktop and Clock.
// Everything runs on one thread; modal dialogs run nested event loops in which
// socket events keep arriving, so no operation holds on to a session across a
// dialog.
class Client {
public:
    static constexpr std::string_view NewConnection = "Neue Verbindung";

    Client(Transport& transport, Desktop& desktop, Clock& clock,
           std::filesystem::path workingDirectory = ".");
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;
    ~Client() = default;

    Transport& transport() { return m_transport; }
    Desktop& desktop() { return m_desktop; }
    const Clock& clock() const { return m_clock; }
    const std::filesystem::path& workingDirectory() const { return m_workingDirectory; }

    Settings& settings() { return m_settings; }
    SessionList& sessions() { return m_sessions; }
    MessageView& messageView() { return m_messageView; }
    ChatterTree& chatterTree() { return m_chatterTree; }
    NamesListBox& namesList() { return m_namesList; }
    TabStrip& tabs() { return m_tabs; }
    TextField& recipientBox() { return m_recipientBox; }
    ChatWatch& chatWatch() { return m_chatWatch; }
    ReceivePipeline& receiver() { return m_receiver; }
    AwayMessage& away() { return m_away; }
    IgnoreList& ignoreList() { return m_ignoreList; }
    LogFile& logFile() { return m_logFile; }
    Sound& sound() { return m_sound; }

    int currentSocket() const { return m_currentSocket; }
    void setCurrentSocket(int socket) { m_currentSocket = socket; }
    const std::string& ownNick() const { return m_ownNick; }
    void setOwnNick(std::string_view nick);
    int chatterCount() const { return m_chatterCount; }
    void setChatterCount(int count) { m_chatterCount = count; }
    bool modalDialogOpen() const { return m_modalDepth > 0; }

    // Loads ChatWatch.cfg from the working directory and refreshes the stored entries.
    void loadFiles();

    // A socket event from the transport (read, connect finished, closed).
    void socketEvent(int socket, SocketEvent event, int error);
    void readLoop(int socket) { m_receiver.readLoop(socket); }

    // What a successful connect does once the socket is up and the nick is known:
    // the session with its tab and in-progress row.
    Session* attachSession(int socket, std::string_view chatName, std::string_view nick);
    void addSessionTab(std::string_view chatName, std::string_view nick);
    void renameOwnNick(Session& session, std::string_view newNick);
    // The focused tab changed: its session becomes current; the new-connection tab connects.
    void selectSessionTab();
    // Opens the connect dialog and connects (arrives with the window).
    void connectNew();
    // Tears down the current session: drains and closes its socket, shows the
    // notice, removes its tab, in-progress row and tree items.
    void disconnect();
    void removeInProgressRow(std::string_view chatName);

    // Runs a modal dialog of the program; rows arriving meanwhile skip their side effects.
    int runModal(Dialog dialog);
    // The Login dialog, opened when the server rejects a nickname (never twice at once).
    int runLoginDialog();

    std::string title() const;
    void updateTitle();

    long send(int socket, std::string_view bytes);

    // The Logout-Auto-Text of the nick used last, sent before an exit command.
    std::string_view logoutAutoText() const;

    void autoReply(int socket, std::string_view name, LineKind kind) { m_away.autoReply(socket, name, kind); }
    void playWordSounds(std::string_view text) { m_sound.playWordSounds(text); }
    void logRow(std::string_view name, std::string_view text, LineKind kind) {
        m_logFile.write(name, text, kind);
    }

private:
    Transport& m_transport;
    Desktop& m_desktop;
    Clock& m_clock;
    std::filesystem::path m_workingDirectory;

    Settings m_settings;
    SessionList m_sessions;
    MessageView m_messageView;
    ChatterTree m_chatterTree;
    NamesListBox m_namesList;
    TabStrip m_tabs;
    TextField m_recipientBox{99};
    ChatWatch m_chatWatch;
    ReceivePipeline m_receiver;
    AwayMessage m_away;
    IgnoreList m_ignoreList;
    LogFile m_logFile;
    Sound m_sound;

    int m_currentSocket = NoSocket;
    std::string m_ownNick;
    int m_chatterCount = 0;
    int m_modalDepth = 0;
    bool m_loginDialogOpen = false;
};

}  // namespace tavik
