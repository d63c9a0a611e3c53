#pragma once

#include <string>
#include <string_view>

namespace tavik {

class ArtFontBox;
class ContextMenu;
class Desktop;
class InputLine;
class NamesListBox;

// Small editing operations on the input line and the names list that the
// input-line commands use: insertion at the caret, name completion, clipboard.
class InputHelpers {
public:
    InputHelpers(InputLine& inputLine, NamesListBox& namesList, Desktop& desktop, ContextMenu& contextMenu,
                 ArtFontBox& artFontBox)
        : m_inputLine(inputLine),
          m_namesList(namesList),
          m_desktop(desktop),
          m_contextMenu(contextMenu),
          m_artFontBox(artFontBox) {}

    // A name completion is open: the names list is shown in place of the tree.
    bool completionOpen() const { return m_completionOpen; }
    void setCompletionOpen(bool open);
    // Only the flag, the list stays as shown.
    void setCompletionOpenQuietly(bool open) { m_completionOpen = open; }
    const std::string& completionPrefix() const { return m_completionPrefix; }
    void setCompletionPrefix(std::string_view prefix) { m_completionPrefix.assign(prefix); }

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
    // Ctrl+F, before the line is sent: the art font named in the box becomes
    // the one used last; an empty box gets the one used last.
    void chooseArtFont();
    const std::string& lastArtFontName() const { return m_lastArtFontName; }
    void setLastArtFontName(std::string_view name);
    // Empties the chatter context menu before it is filled with generated entries.
    void trimContextMenu();

private:
    InputLine& m_inputLine;
    NamesListBox& m_namesList;
    Desktop& m_desktop;
    ContextMenu& m_contextMenu;
    ArtFontBox& m_artFontBox;
    bool m_completionOpen = false;
    std::string m_completionPrefix;
    std::string m_lastArtFontName;
};

}  // namespace tavik
