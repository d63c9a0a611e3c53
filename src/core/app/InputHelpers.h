#pragma once

#include <string_view>

namespace tavik {

class Client;

// Small editing operations on the input line and the names list that the
// input-line commands use: insertion at the caret, name completion, clipboard.
class InputHelpers {
public:
    explicit InputHelpers(Client& client) : m_client(client) {}

    // Replaces the selection and the `eraseBefore` (0 or 1) characters before it by `text`.
    void insertAtCaret(std::string_view text, int eraseBefore);
    void replaceRange(std::string_view text, int start, int end);
    bool copyToClipboard(std::string_view text);

    // The selected name (without "@" and chat) replaces the word before the caret.
    void acceptCompletion();
    // Ends a completion, accepting the selected name; the tree comes back.
    void closeCompletion();
    // Escape: ends a completion without taking a name; the input line stays as it is.
    void cancelCompletion();
    // Moves the names list's selection and accepts the name. With `wrapInPrefix`
    // the walk stays among the names that begin with the completion prefix.
    void moveCompletion(int delta, bool wrapInPrefix);
    // Ctrl+F: sends with the art font named in the box, or the one used last.
    void sendWithArtFont();
    // Empties the chatter context menu before it is filled with generated entries.
    void trimContextMenu();

private:
    Client& m_client;
};

}  // namespace tavik
