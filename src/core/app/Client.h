#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "app/Commands.h"
#include "app/InputCommands.h"
#include "app/InputHelpers.h"
#include "app/Interaction.h"
#include "app/SendInputLine.h"
#include "art/ArtFontBox.h"
#include "art/ArtFontSet.h"
#include "chat/Attention.h"
#include "chat/AwayMessage.h"
#include "chat/ChatWatch.h"
#include "chat/ChatWatchDialog.h"
#include "chat/ChatterTree.h"
#include "chat/ContextMenu.h"
#include "chat/IgnoreList.h"
#include "chat/InputLine.h"
#include "chat/LogFile.h"
#include "chat/LoginDialog.h"
#include "chat/MessageView.h"
#include "chat/NamesListBox.h"
#include "chat/Sound.h"
#include "chat/TabStrip.h"
#include "chat/TextField.h"
#include "config/Options.h"
#include "config/Settings.h"
#include "net/Connect.h"
#include "net/ReceivePipeline.h"
#include "net/ReconnectPlan.h"
#include "net/Session.h"
#include "net/WireWatch.h"
#include "platform/Clock.h"
#include "platform/Desktop.h"
#include "platform/FileNames.h"
#include "platform/Transport.h"

namespace tavik {

// Socket events as the transport reports them (the low word of WM_SOCKET).
enum class SocketEvent { Read = 1, Connect = 16, Close = 32 };

// The engine: owns every piece of state the window shows and all sessions, and
// reaches the outside world only through Transport, Desktop and Clock.
// Everything runs on one thread; modal dialogs run nested event loops in which
// socket events keep arriving, so no operation holds on to a session across a
// dialog.
class Client : private ChatterListSink, private RowSink, private EngineOperations {
public:
    static constexpr std::string_view NewConnection = tavik::NewConnection;
    // The lines sent, when the option "Eingabeverlauf speichern" keeps them.
    static constexpr std::string_view InputHistoryFile = "tavikclient-verlauf.txt";

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
    // Our own options beside settings.cfg (tavikclient.conf).
    Options& options() { return m_options; }
    SessionList& sessions() { return m_sessions; }
    MessageView& messageView() { return m_messageView; }
    ChatterTree& chatterTree() { return m_chatterTree; }
    NamesListBox& namesList() { return m_namesList; }
    TabStrip& tabs() { return m_tabs; }
    TextField& recipientBox() { return m_recipientBox; }
    ChatWatch& chatWatch() { return m_chatWatch; }
    ChatWatchDialog& chatWatchDialog() { return m_chatWatchDialog; }
    // Tab marks, unread whispers and desktop notifications.
    Attention& attention() { return m_attention; }
    ReceivePipeline& receiver() { return m_receiver; }
    AwayMessage& away() { return m_away; }
    IgnoreList& ignoreList() { return m_ignoreList; }
    LogFile& logFile() { return m_logFile; }
    Sound& sound() { return m_sound; }
    InputLine& inputLine() { return m_inputLine; }
    InputHelpers& inputHelpers() { return m_inputHelpers; }
    InputCommands& inputCommands() { return m_inputCommands; }
    InputLineSender& inputLineSender() { return m_inputLineSender; }
    ArtFontBox& artFontBox() { return m_artFontBox; }
    ContextMenu& contextMenu() { return m_contextMenu; }
    Interaction& interaction() { return m_interaction; }
    // The password typed into the channel password dialog (99 characters).
    TextField& channelPassword() { return m_channelPassword; }
    ConnectDialog& connectDialog() { return m_connectDialog; }
    LoginDialog& loginDialog() { return m_loginDialog; }
    // "Verbinden" while no session is current, "Trennen" otherwise (button and menu item).
    TextField& connectLabel() { return m_connectLabel; }

    // The system's service database, for addresses such as «telnet://host».
    const ServicePortLookup& servicePortLookup() const { return m_servicePort; }
    void setServicePortLookup(ServicePortLookup lookup) { m_servicePort = std::move(lookup); }
    const ArtFontSet& artFonts() const { return m_artFonts; }

    int currentSocket() const { return m_sessions.currentSocket(); }
    void setCurrentSocket(int socket) { m_sessions.setCurrentSocket(socket); }
    const std::string& ownNick() const { return m_ownNick; }
    void setOwnNick(std::string_view nick);
    int chatterCount() const { return m_chatterCount; }
    void setChatterCount(int count) { m_chatterCount = count; }
    bool modalDialogOpen() const { return m_modalDepth > 0; }

    // A name completion is open: the names list is shown in place of the tree.
    bool completionOpen() const { return m_inputHelpers.completionOpen(); }
    void setCompletionOpen(bool open) { m_inputHelpers.setCompletionOpen(open); }
    // Only the flag, the list stays as shown.
    void setCompletionOpenQuietly(bool open) { m_inputHelpers.setCompletionOpenQuietly(open); }
    const std::string& completionPrefix() const { return m_inputHelpers.completionPrefix(); }
    void setCompletionPrefix(std::string_view prefix) { m_inputHelpers.setCompletionPrefix(prefix); }
    const std::string& lastArtFontName() const { return m_inputHelpers.lastArtFontName(); }
    void setLastArtFontName(std::string_view name) { m_inputHelpers.setLastArtFontName(name); }
    bool typedSinceIdleTick() const { return m_inputCommands.typedSinceIdleTick(); }
    void setTypedSinceIdleTick(bool typed) { m_inputCommands.setTypedSinceIdleTick(typed); }

    // Loads the fonts directory into the art font set and its selector (once).
    void loadArtFonts();

    // Start-up: settings.cfg (a first start asks `pickFont` for the display font),
    // then ChatWatch.cfg, whose stored entries get their presence from the file.
    void loadFiles(const FontPicker& pickFont);
    // How a failed save is told: in a box (the window closes), or not at all,
    // when the caller reports it itself (the end of the desktop session, which
    // must not wait for a box nobody answers).
    enum class SaveFailure { Box, Quiet };
    // Writes settings.cfg and our options file (at an orderly close). False when settings.cfg failed.
    bool saveSettings(SaveFailure report = SaveFailure::Box);

    // A socket event from the transport (read, connect finished, closed).
    void socketEvent(int socket, SocketEvent event, int error);
    void readLoop(int socket) { m_receiver.readLoop(socket); }

    // What a successful connect does once the socket is up and the nick is known:
    // the session with its tab and in-progress row.
    Session* attachSession(int socket, std::string_view chatName, std::string_view nick);
    void addSessionTab(std::string_view chatName, std::string_view nick);
    void renameOwnNick(Session& session, std::string_view newNick);
    // The focused tab changed: its session becomes current; the new-connection tab connects.
    void selectSessionTab() override;
    // "Nächster Chat" (Ctrl+Tab): the next tab, wrapping around. While a session
    // exists the "Neue Verbindung" tab is passed over: Ctrl+Tab goes between
    // chats and never opens the connect dialog by surprise.
    void nextChat();
    // Alt+1 ... Alt+9: the n-th session's tab (1 = the leftmost), if there is one.
    void selectSessionNumber(int number);
    // Opens the connect dialog, connects, logs in, and gives the session its tab.
    void connectNew();
    // "&Verbinden"/"Trennen" and the connect button.
    void connectOrDisconnect();
    // KeepAliveTimer (every minute): "/s\r" on every connected session.
    void keepAliveTick();
    // IdleTimer (every 100 minutes): no typing since the last tick disconnects the current session.
    void idleTick();
    // The close request: asks only when session tabs exist. True: close.
    bool confirmClose();
    // Orderly close: the current socket closed, the settings written. False
    // when settings.cfg could not be written (the old file stays whole).
    bool shutdown(SaveFailure report = SaveFailure::Box);
    // Tears down the current session: drains and closes its socket, shows the
    // notice, removes its tab, in-progress row and tree items.
    void disconnect();
    // Removes the in-progress row of a chat; false when it has none.
    bool removeInProgressRow(std::string_view chatName);

    // Runs a modal dialog of the program; rows arriving meanwhile skip their side effects.
    int runModal(Dialog dialog) override;
    // The Login dialog for the session of `socket`, which its answers go to:
    // after a connect, and when that session's server rejects a nickname
    // (never twice at once). "Nur schauen" of the connect dialog applies only
    // to the connect it was chosen for.
    int runLoginDialog(int socket, bool lookOnly = false);

    std::string title() const;
    void updateTitle();

    long send(int socket, std::string_view bytes);

    // Option "Automatisch neu verbinden": a lost connection keeps its tab and
    // is tried again on its own (ClientReconnect.cpp).
    ReconnectPlan& reconnectPlan() { return m_reconnect; }
    // Every quarter second: due tries, and keep-alives left without an answer.
    void reconnectTick();
    // "Neu verbinden" on a tab whose session waits for a connection: at once.
    void reconnectNow(int tabIndex);
    bool waitsForConnection(int tabIndex) const;

private:
    // What the classifier finds in chatter lists and nick answers.
    void chatterListStarts(const Session& session) override;
    void chatterListEnds(const Session& session, int chattersListed) override;
    void chatterListHeader(Session& session) override;
    void chatterListRead(const Session& session) override;
    bool hasTreeItem(TreeItemId item) const override;
    TreeItemId addTreeItem(Session& session, std::string_view text, TreeItemId parent,
                           TreeItemType type) override;
    TreeItemId addChatter(Session& session, std::string_view text, std::size_t nameLength,
                          TreeItemId parent) override;
    void nameChannel(Session& session, TreeItemId channel, std::string_view label,
                     bool protectedChannel) override;
    void expandTreeItem(const Session& session, TreeItemId item) override;
    void nameRejected(int socket, std::string_view why) override;
    void ownNickRenamed(Session& session, std::string_view newNick) override;
    // The rows of the receive pipeline.
    void deliverRow(int socket, std::string_view name, std::string_view text, LineKind kind) override;
    void showInProgress(Session& session, std::string_view cleaned) override;
    void beginReadEvent() override;
    void endReadEvent() override;

    void showPendingLine(int socket);
    // Rows notify the desktop unless a dialog of the program holds their side effects.
    Attention::Notifying notifying() const {
        return m_messageView.sideEffectsHeld() ? Attention::Notifying::No : Attention::Notifying::Yes;
    }
    void alreadyInChat();

    // The reconnect (ClientReconnect.cpp). A connection ended by the server
    // or the network: true when its session was kept to wait for a new one.
    bool keepForReconnect(int socket);
    // A lost connection's end as the classic client has it, or the wait for a new one.
    void connectionLost(int socket);
    void reconnectAttempt(int sessionId);
    // The "/c" line that takes a session back to the channel it was in.
    std::string channelToRejoin(const Session& session) const;
    void noteReconnectWait(int parkedSocket, long long waitMs);
    // The login of a session that came back went through: the rest of what a login sends.
    void finishReconnectLogin(int sessionId);

    // The caller's transport, watched on its way (see WireWatch).
    WireWatch m_wire;
    Transport& m_transport;
    Desktop& m_desktop;
    Clock& m_clock;
    std::filesystem::path m_workingDirectory;

    // The parts in the order they are made: each one is given only parts declared above it.
    std::string m_ownNick;
    Settings m_settings;
    Options m_options;
    SessionList m_sessions;
    NamesListBox m_namesList;
    TabStrip m_tabs;
    TextField m_recipientBox{99};
    Sound m_sound{m_desktop, m_workingDirectory};
    LogFile m_logFile{m_desktop, m_clock, m_settings, m_workingDirectory};
    MessageView m_messageView{m_sessions, m_clock, m_settings, m_desktop, m_sound, m_logFile, m_recipientBox};
    ChatWatch m_chatWatch{m_transport, m_desktop, m_sessions, m_messageView, m_logFile, m_workingDirectory};
    Attention m_attention{m_sessions, m_tabs, m_options, m_clock, m_desktop, m_sound};
    ChatterTree m_chatterTree{m_sessions, m_namesList, m_chatWatch};
    ChatWatchDialog m_chatWatchDialog{m_transport, m_sessions, m_chatWatch};
    ReceivePipeline m_receiver;
    AwayMessage m_away{m_transport, m_settings, m_options, m_sessions, m_messageView, m_clock};
    IgnoreList m_ignoreList{m_transport, m_settings};
    InputLine m_inputLine;
    ArtFontBox m_artFontBox;
    ArtFontSet m_artFonts;
    ContextMenu m_contextMenu;
    InputHelpers m_inputHelpers{m_inputLine, m_namesList, m_desktop, m_contextMenu, m_artFontBox};
    InputLineSender m_inputLineSender{m_inputLine,
                                      m_away,
                                      m_tabs,
                                      m_sessions,
                                      m_recipientBox,
                                      m_artFontBox,
                                      m_artFonts,
                                      m_messageView,
                                      m_settings,
                                      m_transport,
                                      m_workingDirectory / pathFromWindows1252("inline")};
    InputCommands m_inputCommands{m_inputLine, m_inputHelpers, m_inputLineSender, m_namesList, m_messageView,
                                  m_sessions,  m_settings,     m_options,         m_desktop,   m_transport};
    TextField m_channelPassword{99};
    Interaction m_interaction{*this,         m_sessions,   m_chatterTree, m_namesList,    m_messageView,
                              m_contextMenu, m_ignoreList, m_chatWatch,   m_recipientBox, m_channelPassword,
                              m_ownNick,     m_transport,  m_desktop};
    ServicePortLookup m_servicePort;
    ConnectDialog m_connectDialog;
    LoginDialog m_loginDialog{m_transport, m_desktop, m_settings, m_sessions};
    TextField m_connectLabel{20};

    int m_chatterCount = 0;
    std::string m_title;
    int m_modalDepth = 0;
    bool m_loginDialogOpen = false;
    bool m_connecting = false;
    ReconnectPlan m_reconnect;
    bool m_reconnecting = false;  // a try waits for its connect in a nested loop
};

}  // namespace tavik
