#include "app/InputCommands.h"

#include <string>

#include "app/InputHelpers.h"
#include "app/SendInputLine.h"
#include "chat/InputLine.h"
#include "chat/LogFile.h"
#include "chat/MessageView.h"
#include "chat/NamesListBox.h"
#include "config/Options.h"
#include "config/Settings.h"
#include "net/Session.h"
#include "platform/Desktop.h"
#include "platform/Transport.h"
#include "text/Text.h"

namespace tavik {

namespace {

// The two-letter forms typed umlauts are replaced by.
std::string_view umlautReplacement(char c) {
    switch (static_cast<unsigned char>(c)) {
        case 0xC4:
            return "Ae";
        case 0xD6:
            return "Oe";
        case 0xDC:
            return "Ue";
        case 0xE4:
            return "ae";
        case 0xF6:
            return "oe";
        case 0xFC:
            return "ue";
        default:
            return {};
    }
}

// "/w name " when `piece` is a whisper with some text after the name, else empty.
std::string whisperHead(std::string_view piece) {
    if (piece.size() < 3 || piece[0] != '/' || (piece[1] != 'w' && piece[1] != 'W') || piece[2] != ' ')
        return {};
    const auto nameStart = piece.find_first_not_of(' ', 2);
    if (nameStart == std::string_view::npos) return {};
    const auto nameEnd = piece.find(' ', nameStart);
    if (nameEnd == std::string_view::npos) return {};
    std::string head(piece.substr(0, 2));
    head += ' ';
    // The name keeps its "@chat": the rest goes to the same chatter on the same chat.
    head += piece.substr(nameStart, nameEnd - nameStart);
    head += ' ';
    return head;
}

}  // namespace

void InputCommands::send() {
    if (m_helpers.completionOpen()) {
        m_helpers.closeCompletion();
        m_desktop.focusInputLine();
        return;
    }
    sendLine(false);
}

void InputCommands::sendButton() {
    m_desktop.focusInputLine();
    if (m_helpers.completionOpen()) m_helpers.closeCompletion();
    sendLine(false);
}

void InputCommands::sendInverted() {
    sendLine(true);
}

void InputCommands::sendLine(bool inverted) {
    const InputLine& input = m_inputLine;
    // A wholly selected line was sent already (or is empty).
    if (input.wholeTextSelected()) return;
    const std::string line = input.text();
    // Kept back or sent, the line was meant to go: it can be fetched back.
    m_history.add(line);
    m_sender.sendInputLine(line, inverted);
}

namespace {

void showFromHistory(InputLine& input, const std::string* line) {
    if (line == nullptr) return;
    // A copy: the change handling may reach the history again.
    const std::string text = *line;
    input.setText(text);
    input.setSelection(input.length(), input.length());
}

}  // namespace

void InputCommands::historyOlder() {
    showFromHistory(m_inputLine, m_history.older(m_inputLine.text()));
}

void InputCommands::historyNewer() {
    showFromHistory(m_inputLine, m_history.newer());
}

void InputCommands::inputChanged() {
    m_typedSinceIdleTick = true;
    InputLine& input = m_inputLine;
    const int start = input.selectionStart();
    const int end = input.selectionEnd();

    if (m_helpers.completionOpen() && start > 0) {
        // Typing on accepts the chosen name in front of the character just typed.
        // This comes before the umlaut rule, so the name is accepted in front of
        // the typed character and not in front of a half-made two-letter form.
        m_helpers.setCompletionOpenQuietly(false);
        input.setSelection(start - 1, end - 1);
        m_helpers.closeCompletion();
        input.setSelection(input.selectionStart() + 1, input.selectionEnd() + 1);
    } else if (m_helpers.completionOpen()) {
        // Nothing was typed in front of the caret: there is no word to complete.
        m_helpers.cancelCompletion();
    }

    // The umlaut just before the caret becomes its two letters, in one change
    // that leaves the caret behind them; unless the user's chats take umlauts
    // as they are (one byte each on the wire).
    const int caret = input.selectionStart();
    if (caret > 0 && !m_options.sendUmlautsUnchanged) {
        const std::string_view two = umlautReplacement(input.text()[static_cast<std::size_t>(caret - 1)]);
        if (!two.empty()) input.replaceRange(caret - 1, input.selectionEnd(), two);
    }

    if (m_settings.autoSend && input.selectionStart() == input.length() &&
        input.selectionEnd() == input.length() && input.length() > AutoSendLength) {
        const std::string current = input.text();
        const std::string_view head = std::string_view(current).substr(0, AutoSendPiece);
        const auto blank = head.rfind(' ');
        std::string piece;
        std::string kept;
        if (blank != std::string_view::npos) {
            piece = current.substr(0, blank);
            kept = current.substr(blank + 1);
        } else {
            piece = current.substr(0, AutoSendPiece);
            kept = current.substr(AutoSendPiece);
        }
        // A piece that was kept back (a whisper that cannot go) stays where it is.
        if (!m_sender.sendInputLine(piece, false)) return;
        // The rest of a whisper stays a whisper: "/w name " goes in front of it.
        const std::string whisper = whisperHead(piece);
        if (!whisper.empty() && kept.compare(0, whisper.size(), whisper) != 0) kept.insert(0, whisper);
        input.setText(kept);
        input.setSelection(input.length(), input.length());
    }
}

void InputCommands::completeName() {
    if (m_helpers.completionOpen()) {
        m_helpers.moveCompletion(+1, true);
        return;
    }
    m_desktop.focusInputLine();
    const InputLine& input = m_inputLine;
    const std::string_view upToCaret =
        std::string_view(input.text()).substr(0, static_cast<std::size_t>(input.selectionEnd()));
    const auto blank = upToCaret.rfind(' ');
    const std::string_view word = blank == std::string_view::npos ? upToCaret : upToCaret.substr(blank + 1);

    NamesListBox& names = m_namesList;
    const int found = names.findPrefix(word);
    // Without a name that begins with the word nothing changes: no list, no replacement.
    if (found < 0) return;
    names.select(found);
    std::string prefix;
    for (const char c : capped(word, 20))
        prefix.push_back(static_cast<char>(lowerByte(static_cast<unsigned char>(c))));
    m_helpers.setCompletionPrefix(prefix);

    const auto entries = names.entries();
    const bool nextAlsoMatches =
        found + 1 < static_cast<int>(entries.size()) &&
        entries[static_cast<std::size_t>(found) + 1].size() >= prefix.size() &&
        equalsIgnoreCase(
            std::string_view(entries[static_cast<std::size_t>(found) + 1]).substr(0, prefix.size()), prefix);
    if (nextAlsoMatches) {
        m_helpers.acceptCompletion();
        m_helpers.setCompletionOpen(true);
    } else {
        m_helpers.closeCompletion();
    }
}

void InputCommands::previousCandidate() {
    m_helpers.moveCompletion(-1, true);
}

void InputCommands::move(MoveKey key) {
    int rows = 0;
    int entries = 0;
    switch (key) {
        case MoveKey::Down:
            rows = entries = 1;
            break;
        case MoveKey::Up:
            rows = entries = -1;
            break;
        case MoveKey::PageUp:
            rows = entries = -10;
            break;
        case MoveKey::PageDown:
            rows = entries = 10;
            break;
        case MoveKey::End:
            rows = 500;
            entries = 99999;
            break;
        case MoveKey::Home:
            rows = -500;
            entries = -99999;
            break;
    }
    if (m_helpers.completionOpen()) {
        m_helpers.moveCompletion(entries, false);
    } else {
        m_messageView.moveMarker(rows, true);
    }
}

void InputCommands::insertFromMarkedRow(int column) {
    const MessageRows& rows = m_messageView.rows();
    const int marker = rows.marker();
    if (marker < 0 || marker >= rows.count()) return;
    const std::string text(capped(rows.cell(marker, column), 99));
    // Only a lone blank (a row without that column) and real control characters are
    // refused; names and texts may well begin with a letter such as "Ä".
    if (text == " " || text.empty() || static_cast<unsigned char>(text[0]) < 32) return;
    const InputLine& input = m_inputLine;
    m_helpers.replaceRange(text, input.selectionStart(), input.selectionEnd());
}

void InputCommands::insertName() {
    insertFromMarkedRow(m_messageView.nameColumn());
}

void InputCommands::insertText() {
    insertFromMarkedRow(m_messageView.textColumn());
}

void InputCommands::extendWord() {
    const MessageRows& rows = m_messageView.rows();
    const int marker = rows.marker();
    if (marker < 0 || marker >= rows.count()) return;
    const std::string row(capped(rows.cell(marker, m_messageView.textColumn()), 99));
    if (row == " ") return;
    const InputLine& input = m_inputLine;
    const int end = input.selectionEnd();
    const std::string_view before = std::string_view(input.text()).substr(0, static_cast<std::size_t>(end));
    const auto blank = before.rfind(' ');
    const std::size_t fragmentStart = blank == std::string_view::npos ? 0 : blank + 1;
    const std::string_view fragment = before.substr(fragmentStart);
    const auto at = row.find(fragment);
    if (at == std::string::npos) return;
    const auto wordEnd = row.find(' ', at);
    const std::string word = row.substr(at, wordEnd == std::string::npos ? std::string::npos : wordEnd - at);
    m_helpers.replaceRange(word, static_cast<int>(fragmentStart), end);
}

void InputCommands::copy() {
    const InputLine& input = m_inputLine;
    if (input.selectionEnd() > input.selectionStart()) {
        const std::string_view selected =
            std::string_view(input.text())
                .substr(static_cast<std::size_t>(input.selectionStart()),
                        static_cast<std::size_t>(input.selectionEnd() - input.selectionStart()));
        m_helpers.copyToClipboard(selected);
        return;
    }
    const MessageView& view = m_messageView;
    const MessageRows& rows = view.rows();
    std::string collected;
    for (int i = 0; i < rows.count(); ++i) {
        if (!rows.row(i).selected) continue;
        LogFile::formatLine(collected, capped(rows.cell(i, view.nameColumn()), 99),
                            capped(rows.cell(i, view.textColumn()), 81), rows.kind(i));
    }
    m_helpers.copyToClipboard(collected);
}

void InputCommands::paste() {
    pasteText(m_desktop.clipboardText());
}

std::string InputCommands::pasteQuestion(const std::vector<std::string_view>& lines, std::size_t preview) {
    constexpr std::size_t PreviewWidth = 60;
    std::string text = lines.size() == 1
                           ? std::string("Der eingef\xFCgte Text enth\xE4lt eine Zeile:")
                           : "Der eingef\xFCgte Text enth\xE4lt " + std::to_string(lines.size()) + " Zeilen:";
    text += "\n";
    for (std::size_t i = 0; i < lines.size() && i < preview; ++i) {
        text += "\n    ";
        const std::string_view line = lines[i];
        text += capped(line, PreviewWidth);
        if (line.size() > PreviewWidth) text += "...";
    }
    if (lines.size() > preview) text += "\n    ...";
    text += lines.size() == 1 ? "\n\nSoll sie gesendet werden?" : "\n\nSollen sie gesendet werden?";
    return text;
}

void InputCommands::pasteText(std::string_view text) {
    if (text.empty()) return;
    std::vector<std::string_view> lines;
    std::size_t lineStart = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') continue;
        const std::string_view line = text.substr(lineStart, i - lineStart);
        if (!line.empty()) lines.push_back(line);
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        lineStart = i + 1;
    }
    // The text may be the clipboard's or a drop's: ours to keep while a box is open.
    const std::string rest(text.substr(lineStart));
    if (!lines.empty()) {
        if (m_options.confirmMultilinePaste) {
            std::vector<std::string> copies(lines.begin(), lines.end());
            std::vector<std::string_view> views(copies.begin(), copies.end());
            // The box runs a nested loop: sessions may come and go meanwhile.
            // Each line looks up its session again when it is sent.
            if (m_desktop.messageBox(pasteQuestion(views), "TavikClient", MessageBoxStyle::SendCancel) !=
                MessageBoxAnswer::Ok)
                return;
            sendPastedLines(copies);
        } else {
            sendPastedLines(std::vector<std::string>(lines.begin(), lines.end()));
        }
    }
    // The unfinished rest stays for editing, where the caret is.
    if (!rest.empty()) m_helpers.insertAtCaret(rest, 0);
}

void InputCommands::sendPastedLines(const std::vector<std::string>& lines) {
    for (const std::string& line : lines) {
        // A line kept back (a whisper that cannot go) keeps the rest back too:
        // they were meant for the same place.
        if (!m_sender.sendInputLine(line, false, LineOrigin::Pasted)) return;
    }
}

void InputCommands::sendWithArtFont() {
    m_helpers.chooseArtFont();
    send();
}

}  // namespace tavik
