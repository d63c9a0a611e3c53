#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/InputHistory.h"

namespace tavik {

class Desktop;
class InputHelpers;
class InputLine;
class InputLineSender;
class MessageView;
class NamesListBox;
class SessionList;
class Transport;
struct Options;
struct Settings;

// The move keys: the message marker moves, or the completion selection while a completion is open.
enum class MoveKey { Down, Up, PageUp, PageDown, End, Home };

// What the input line's keys and commands do: send, inverted send, the change
// handling (umlauts, accepting a completion by typing on, automatic sending of
// over-long lines), name completion, F2/F3/F4, copy and paste.
class InputCommands {
public:
    static constexpr int AutoSendLength = 80;
    static constexpr int AutoSendPiece = 65;

    InputCommands(InputLine& inputLine, InputHelpers& helpers, InputLineSender& sender,
                  NamesListBox& namesList, MessageView& messageView, SessionList& sessions,
                  const Settings& settings, const Options& options, Desktop& desktop, Transport& transport)
        : m_inputLine(inputLine),
          m_helpers(helpers),
          m_sender(sender),
          m_namesList(namesList),
          m_messageView(messageView),
          m_sessions(sessions),
          m_settings(settings),
          m_options(options),
          m_desktop(desktop),
          m_transport(transport) {}

    // The user typed since the idle timer looked last.
    bool typedSinceIdleTick() const { return m_typedSinceIdleTick; }
    void setTypedSinceIdleTick(bool typed) { m_typedSinceIdleTick = typed; }

    void send();  // Enter, "&Senden"
    // Ctrl+F: sends with the art font named in the box, or the one used last.
    void sendWithArtFont();
    void sendButton();         // the "Senden" button: sends even while a completion is open
    void sendInverted();       // Ctrl+Enter
    void inputChanged();       // every change of the input line
    void completeName();       // Tab
    void previousCandidate();  // Shift+Tab
    void move(MoveKey key);
    void insertName();  // F2
    void insertText();  // F3
    void extendWord();  // F4, "§"
    void copy();        // Ctrl+C
    void paste();       // Ctrl+V: pasteText with the clipboard
    // Ctrl+Up and Ctrl+Down: the lines sent before, the line being edited kept as the newest.
    void historyOlder();
    void historyNewer();
    InputHistory& history() { return m_history; }

    // The one road for text that enters the input line from outside (paste by
    // any key or menu, middle click, drag and drop, an input method). Text
    // with a line break asks first (unless the option says not to), naming
    // the number of lines and showing the first few; nothing goes out unless
    // the user confirms. Each whole line then takes the road of a typed line
    // (away commands, the recipient's whisper, the marked row, wrapping, the
    // protected line start; never an art font), one by one; CR LF, a lone CR
    // and a lone LF each end a line, and empty lines are not sent. The
    // unfinished rest after the last line break is inserted at the caret,
    // replacing the selection; what the line held before stays. Cancelled,
    // nothing changes at all.
    void pasteText(std::string_view text);

    // The question a paste of `lines` asks (Windows-1252), at most `preview` lines shown.
    static std::string pasteQuestion(const std::vector<std::string_view>& lines, std::size_t preview = 3);

private:
    void sendLine(bool inverted);
    void sendPastedLines(const std::vector<std::string>& lines);
    void insertFromMarkedRow(int column);

    InputLine& m_inputLine;
    InputHelpers& m_helpers;
    InputLineSender& m_sender;
    NamesListBox& m_namesList;
    MessageView& m_messageView;
    SessionList& m_sessions;
    const Settings& m_settings;
    const Options& m_options;
    Desktop& m_desktop;
    Transport& m_transport;
    bool m_typedSinceIdleTick = false;
    InputHistory m_history;
};

}  // namespace tavik
