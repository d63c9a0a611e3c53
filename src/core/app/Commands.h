#pragma once

#include <string_view>

namespace tavik {

// The label of the last tab (and of the tree's sample connection), which opens
// the connect dialog.
inline constexpr std::string_view NewConnection = "Neue Verbindung";

// The command ids of the main window: menu items, accelerators and controls.
// One dispatch table in the window maps them to the engine.
enum class Command : int {
    SendButton = 1,
    Close = 2,
    About = 104,
    InputLineChanged = 1000,
    RecipientBoxFocused = 1001,
    NamesListDoubleClick = 1002,
    ConnectButton = 1005,
    ArtFontBox = 1014,
    Send = 32771,
    MoveDown = 32774,
    MoveUp = 32775,
    SendInverted = 32776,
    PageUp = 32777,
    PageDown = 32778,
    InsertName = 32780,
    InsertText = 32781,
    ExtendWord = 32782,
    Autoscroll = 32783,
    Font = 32784,
    Autosize = 32785,
    Sound = 32786,
    SendInvertedMenu = 32794,  // the menu item has no handler; Ctrl+Enter is 32776
    Copy = 32795,
    Paste = 32796,
    Quit = 32797,
    Logfile = 32798,
    ClearInputAfterSend = 32799,
    AutoTop = 32800,
    AutoSend = 32801,
    Autowhisper = 32802,
    MoveEnd = 32803,
    MoveHome = 32804,
    SmallIcons = 32805,
    ChatWatch = 32806,
    Connect = 32807,
    ClearMessages = 32808,
    CompleteName = 32809,
    AnnounceIgnore = 32811,
    DemoFill = 32812,
    PreviousCandidate = 32814,
    Ignore = 32816,
    ToggleChatWatch = 32817,
    SendWithArtFont = 32818,
    AutoChatChange = 32819,
    NextChat = 32820,
    // Options of our own (tavikclient.conf), beyond the classic menu's ids.
    ConfirmMultilinePaste = 33001,
    AwayAnswersWhispersOnly = 33002,
    SendUmlautsUnchanged = 33003,
    SaveInputHistory = 33006,
    ColouredNames = 33007,
    // The message list's own: a link's menu (chat/RowText.h), find, rows kept.
    LinkOpen = 33040,
    LinkCopy = 33041,
    Find = 33042,
    Rows500 = 33043,
    Rows2000 = 33044,
    Rows10000 = 33045,
    Rows50000 = 33046,
    // Keys of our own, free in the classic table.
    HistoryOlder = 33004,  // Ctrl+Up
    HistoryNewer = 33005,  // Ctrl+Down
    // Alt+1 ... Alt+9: the first to ninth session.
    Session1 = 33011,
    Session2 = 33012,
    Session3 = 33013,
    Session4 = 33014,
    Session5 = 33015,
    Session6 = 33016,
    Session7 = 33017,
    Session8 = 33018,
    Session9 = 33019,
    // The option "Automatisch neu verbinden" and "Neu verbinden" (menu and tab menu).
    Reconnect = 33020,
    ReconnectNow = 33021,
    // Notifications, the tray and the tabs' marks.
    NotifyWhispers = 33030,
    NotifyChatWatch = 33031,
    NotifyWordSounds = 33032,
    TrayIcon = 33033,
    CloseToTray = 33034,
    NextWhisper = 33035,  // Alt+A: the next session with an unread whisper
    // The keyboard's roads through the window: F6 and Shift+F6 walk the
    // controls, the Menu key and Shift+F10 open what a right click opens.
    FocusNext = 33050,
    FocusPrevious = 33051,
    ContextMenuKey = 33052,
    // "Ansagen": which new rows are told to a screen reader.
    AnnounceWhispers = 33053,
    AnnounceChatWatch = 33054,
    AnnounceAll = 33055,
    AnnounceOff = 33056,
};

}  // namespace tavik
