#include "app/SendInputLine.h"

#include <string>

#include "art/ArtFontBox.h"
#include "art/ArtFontSet.h"
#include "art/WrappedText.h"
#include "chat/AwayMessage.h"
#include "chat/InputLine.h"
#include "chat/MessageView.h"
#include "chat/TabStrip.h"
#include "chat/TextField.h"
#include "config/Settings.h"
#include "net/Session.h"
#include "platform/Transport.h"
#include "text/Text.h"

namespace tavik {

namespace {

constexpr std::size_t MaxLine = 249;

// «/w kater hallo» gives 2, «/me winkt» 1, «/w kater /smile/» 3.
int headWordCount(std::string_view text) {
    if (text.empty() || text[0] != '/') return 0;
    int count = 1;
    if (text.size() > 3 && text.find('/', 3) != std::string_view::npos) ++count;
    if (text.size() > 1 && (text[1] == 'w' || text[1] == 'W')) ++count;
    return count;
}

bool isBlankOnly(std::string_view text) {
    return text.find_first_not_of(' ') == std::string_view::npos;
}

std::string_view trimBlanks(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// Line breaks never travel inside a line: they become blanks.
void blankLineBreaks(std::string& text) {
    for (char& c : text) {
        if (c == '\r' || c == '\n') c = ' ';
    }
}

// "/w" or "/W" as the command word: the user wrote a whisper.
bool isWhisperCommand(std::string_view line) {
    return line.size() >= 2 && line[0] == '/' && (line[1] == 'w' || line[1] == 'W') &&
           (line.size() == 2 || line[2] == ' ');
}

std::string noSession(std::string_view chat) {
    std::string why = "keine Verbindung zum Chat \"";
    why += chat;
    why += "\".";
    return why;
}

constexpr std::string_view NoName = "es fehlt der Name, dem gefl\xFCstert werden soll.";

}  // namespace

// Why a line meant as a whisper was kept back. The row is the last thing done,
// so nothing of the session is held while the message view works.
bool InputLineSender::refuse(std::string_view why) {
    std::string text = "Nicht gesendet: ";
    text += why;
    m_messageView.insert(NoSocket, "", text, LineKind::Alert);
    return false;
}

void InputLineSender::takeInputLine() {
    if (m_settings.clearInputAfterSend) m_inputLine.setText("");
    m_inputLine.setSelection(0, 2000);
}

bool InputLineSender::sendInputLine(std::string_view typed, bool inverted, LineOrigin origin) {
    std::string line(capped(typed, MaxLine));
    blankLineBreaks(line);
    const bool typedLine = origin == LineOrigin::Typed;

    // 1. The away commands are ours, not the server's.
    if (m_away.handleCommand(line)) {
        if (typedLine) takeInputLine();
        return true;
    }

    // 2. The session of the focused tab, or of the first tab.
    //    A tab is linked to its session; its label («nick@chat») is never parsed.
    TabStrip& tabs = m_tabs;
    if (tabs.count() == 0 || tabs.focused() < 0) return false;
    SessionList& sessions = m_sessions;
    const auto sessionOfTab = [&](int index) -> Session* {
        Session* s = sessions.findById(tabs.sessionId(index));
        return s == sessions.first() ? nullptr : s;  // the "Neue Verbindung" tab has none
    };
    Session* target = sessionOfTab(tabs.focused());
    if (target == nullptr) {
        if (tabs.focused() == 0) return false;
        tabs.setFocus(0);
        target = sessionOfTab(0);
        if (target == nullptr) return false;
    }

    // 3. A recipient of "@chat" (nothing but blanks before the "@") only picks
    // the session; «k@chat2» is the one-letter chatter k on chat2. A chat no
    // session has keeps the line back rather than talking in another chat.
    std::string recipient(capped(m_recipientBox.text(), 99));
    blankLineBreaks(recipient);
    if (const auto at = recipient.find('@');
        at != std::string::npos && isBlankOnly(std::string_view(recipient).substr(0, at))) {
        const std::string chat(trimBlanks(std::string_view(recipient).substr(at + 1)));
        Session* s = m_sessions.findByChat(chat);
        if (s == nullptr) return refuse(noSession(chat));
        target = s;
        recipient.clear();
    }

    // 4. Art: the line as typed, drawn with the chosen font.
    ArtFontBox& artBox = m_artFontBox;
    if (typedLine && !artBox.editText().empty()) {
        if (const auto art = m_artFonts.render(artBox.selected(), line, " ", 1, 60); art && !art->empty()) {
            sendTo(m_transport, target->socket, *art);
        }
        artBox.setEditText("");
        takeInputLine();
        return true;
    }

    // 5. The chat of the marked row.
    const MessageView& view = m_messageView;
    const MessageRows& rows = view.rows();
    const int marker = rows.marker();
    const bool hasMarker = marker >= 0 && marker < rows.count();
    if (m_settings.autoChatChange && hasMarker) {
        if (Session* s = m_sessions.findByChat(capped(rows.cell(marker, view.chatColumn()), 254))) target = s;
    }

    // 6. Whisper or not.
    std::string prefix;
    const bool command = !line.empty() && line[0] == '/';
    if (recipient.empty() && !command) {
        if (hasMarker && m_settings.autowhisper) {
            const std::string_view name = capped(rows.cell(marker, view.nameColumn()), 239);
            // Rows without a chatter show a lone blank: there is nobody to whisper to.
            const bool hasName = !isBlankOnly(name);
            const LineKind kind = rows.kind(marker);
            const bool whisperRow = kind == LineKind::WhisperIn || kind == LineKind::WhisperOut;
            if (whisperRow && !inverted && !hasName) return refuse(NoName);
            if ((whisperRow && !inverted) || (!whisperRow && inverted && hasName)) {
                prefix = "/w ";
                prefix += name;
                prefix += ' ';
            }
        }
    } else if (command && isWhisperCommand(line)) {
        // «/w kater@chat2 hallo»: the chat picks the session and leaves the
        // line. Only the "@" of the name routes a whisper, and blanks in front
        // of the name are one blank: «/w  kater geheim» whispers to kater.
        const auto nameStart = line.find_first_not_of(' ', 2);
        if (nameStart != std::string::npos) {
            const auto nameEnd = line.find(' ', nameStart);
            std::string name = line.substr(
                nameStart, nameEnd == std::string::npos ? std::string::npos : nameEnd - nameStart);
            const auto at = name.find('@');
            if (at != std::string::npos && nameEnd != std::string::npos) {
                if (at == 0) return refuse(NoName);
                const std::string chat = name.substr(at + 1);
                Session* s = m_sessions.findByChat(chat);
                if (s == nullptr) return refuse(noSession(chat));
                target = s;
                name.erase(at);
            }
            std::string rebuilt = line.substr(0, 2);
            rebuilt += ' ';
            rebuilt += name;
            if (nameEnd != std::string::npos) rebuilt += std::string_view(line).substr(nameEnd);
            line = std::move(rebuilt);
        }
    } else if (command) {
        // «/w kater@chat2 hallo»: the chat picks the session and leaves the line.
        const auto firstBlank = line.find(' ');
        const auto q =
            firstBlank == std::string::npos ? std::string::npos : line.find_first_of("@ ", firstBlank + 1);
        const auto e = q == std::string::npos ? std::string::npos : line.find(' ', q);
        if (e != std::string::npos) {
            const std::string chat = line[q] == ' ' ? line.substr(q + 1) : line.substr(q + 1, e - q - 1);
            if (Session* s = m_sessions.findByChat(chat)) target = s;
            if (line[q - 1] != ' ') {
                line.erase(q, e - q);
            } else {
                line.erase(0, e);
            }
        }
    } else if (!inverted) {
        const auto at = recipient.find('@');
        if (at != std::string::npos) {
            const std::string chat(trimBlanks(std::string_view(recipient).substr(at + 1)));
            Session* s = m_sessions.findByChat(chat);
            if (s == nullptr) return refuse(noSession(chat));
            target = s;
            recipient.erase(at);
        }
        // Names have no blanks: «kater » is kater, «ka ter» nobody.
        const std::string_view name = trimBlanks(recipient);
        if (name.empty()) return refuse(NoName);
        if (name.find(' ') != std::string_view::npos) {
            std::string why = "\"";
            why += name;
            why += "\" ist kein Name.";
            return refuse(why);
        }
        prefix = "/w ";
        prefix += name;
        prefix += ' ';
    }

    // 7. Leading characters the server would read as its own.
    if (!line.empty() &&
        (line[0] == '+' || line[0] == '-' || line[0] == '<' || line[0] == '>' || line[0] == '|')) {
        line.insert(line.begin(), ' ');
    }
    if (line.size() > 1 && line[0] == '/' && line[1] == 's') line[1] = 'S';

    // 8. The line is taken: the input line is emptied or selected before anything goes out.
    const int socket = target->socket;
    const std::size_t nickLength = target->nick.size();
    if (typedLine) takeInputLine();

    // 9.-11. Wrapped to the server's width with the command words on every piece.
    std::string outgoing = prefix + line;
    blankLineBreaks(outgoing);  // the marked row's name too
    WrappedText wrapped(outgoing, headWordCount(outgoing), m_inlinePictures);
    std::string composed = wrapped.compose(85 - static_cast<int>(nickLength), "\r");
    if (composed.empty()) {
        composed = outgoing;
        composed += '\r';
    }
    sendTo(m_transport, socket, composed);
    return true;
}

}  // namespace tavik
