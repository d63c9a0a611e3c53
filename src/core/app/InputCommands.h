#pragma once

#include <string_view>

namespace tavik {

class Client;

// The move keys: the message marker moves, or the completion selection while a completion is open.
enum class MoveKey { Down, Up, PageUp, PageDown, End, Home };

// What the input line's keys and commands do: send, inverted send, the change
// handling (umlauts, accepting a completion by typing on, automatic sending of
// over-long lines), name completion, F2/F3/F4, copy and paste.
class InputCommands {
public:
    static constexpr int AutoSendLength = 80;
    static constexpr int AutoSendPiece = 65;

    explicit InputCommands(Client& client) : m_client(client) {}

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

    // The one road for text that enters the input line from outside (paste by
    // any key or menu, middle click, drag and drop, an input method). Every
    // whole line of `text` goes out unchanged on the current session, each as
    // a line of its own ending in "\r" like a typed line; CR LF, a lone CR and
    // a lone LF each end a line, and empty lines are not sent. The unfinished
    // rest after the last line break is inserted at the caret, replacing the
    // selection; what the line held before stays.
    void pasteText(std::string_view text);

private:
    void sendLine(bool inverted);
    void insertFromMarkedRow(int column);

    Client& m_client;
};

}  // namespace tavik
