#include "app/InputHelpers.h"

#include "art/ArtFontBox.h"
#include "chat/ContextMenu.h"
#include "chat/InputLine.h"
#include "chat/NamesListBox.h"
#include "platform/Desktop.h"
#include "text/Text.h"

namespace tavik {

void InputHelpers::insertAtCaret(std::string_view text, int eraseBefore) {
    InputLine& input = m_inputLine;
    const int start = input.selectionStart();
    const int from = start - eraseBefore < 0 ? 0 : start - eraseBefore;
    // One change with the caret already behind the text: the change handling
    // never sees the new text with the caret at its start.
    input.replaceRange(from, input.selectionEnd(), text);
}

void InputHelpers::replaceRange(std::string_view text, int start, int end) {
    m_inputLine.replaceRange(start, end, text);
}

bool InputHelpers::copyToClipboard(std::string_view text) {
    m_desktop.setClipboardText(text);
    return true;
}

void InputHelpers::acceptCompletion() {
    const InputLine& input = m_inputLine;
    const int caret = input.selectionEnd();
    const std::string_view before = std::string_view(input.text()).substr(0, static_cast<std::size_t>(caret));
    const auto blank = before.rfind(' ');
    const int wordStart = blank == std::string_view::npos ? 0 : static_cast<int>(blank) + 1;
    const NamesListBox& names = m_namesList;
    const int selected = names.selected();
    if (selected < 0) return;
    const std::string entry = names.entries()[static_cast<std::size_t>(selected)];
    replaceRange(std::string_view(entry).substr(0, entry.find('@')), wordStart, caret);
}

void InputHelpers::closeCompletion() {
    setCompletionOpen(false);
    acceptCompletion();
}

void InputHelpers::cancelCompletion() {
    if (m_completionOpen) setCompletionOpen(false);
}

void InputHelpers::moveCompletion(int delta, bool wrapInPrefix) {
    NamesListBox& names = m_namesList;
    const auto entries = names.entries();
    const int last = static_cast<int>(entries.size()) - 1;
    if (last < 0) return;
    long wanted = static_cast<long>(names.selected()) + delta;
    const bool hitEnd = wanted < 0 || wanted > last;
    if (wanted < 0) wanted = 0;
    if (wanted > last) wanted = last;
    int index = static_cast<int>(wanted);
    if (wrapInPrefix) {
        const std::string& prefix = m_completionPrefix;
        const auto begins = [&](int i) {
            const std::string& e = entries[static_cast<std::size_t>(i)];
            return e.size() >= prefix.size() &&
                   equalsIgnoreCase(std::string_view(e).substr(0, prefix.size()), prefix);
        };
        if (!begins(index) || hitEnd) {
            int first = -1;
            int lastMatch = -1;
            for (int i = 0; i <= last; ++i) {
                if (!begins(i)) continue;
                if (first < 0) first = i;
                lastMatch = i;
            }
            if (delta > 0) {
                if (first >= 0) index = first;
            } else {
                index = lastMatch >= 0 ? lastMatch : 0;
            }
        }
    }
    names.select(index);
    // The line changes here without the user typing: that must not end the completion.
    // Afterwards the completion is as open (or closed) as before.
    const bool wasOpen = m_completionOpen;
    setCompletionOpenQuietly(false);
    acceptCompletion();
    setCompletionOpenQuietly(wasOpen);
}

void InputHelpers::setCompletionOpen(bool open) {
    m_completionOpen = open;
    m_namesList.setShown(open);
}

void InputHelpers::chooseArtFont() {
    if (!m_artFontBox.editText().empty()) {
        setLastArtFontName(m_artFontBox.editText());
    } else {
        m_artFontBox.setEditText(m_lastArtFontName);
    }
}

void InputHelpers::setLastArtFontName(std::string_view name) {
    m_lastArtFontName.assign(capped(name, 249));
}

void InputHelpers::trimContextMenu() {
    m_contextMenu.trim();
}

}  // namespace tavik
