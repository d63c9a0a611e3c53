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

    void send();               // Enter, "&Senden"
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
    void paste();       // Ctrl+V
    // The one road by which outside text enters the input line (clipboard,
    // selection, drag and drop, input methods): whole lines are sent, the rest
    // stays in the line. `text` is Windows-1252.
    void pasteText(std::string_view text);

private:
    void sendLine(bool inverted);
    void insertFromMarkedRow(int column);

    Client& m_client;
};

}  // namespace tavik
