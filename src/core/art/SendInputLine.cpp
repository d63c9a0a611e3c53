#include "art/SendInputLine.h"

#include <string>

#include "app/Client.h"
#include "app/Text.h"
#include "art/WrappedText.h"
#include "platform/FileNames.h"

namespace tavik {

namespace {

constexpr std::size_t MaxLine = 249;

struct LabelParts {
    std::string_view nick;
    std::string_view chatName;
    bool qualifies = false;
};

LabelParts splitLabel(std::string_view label) {
    label = capped(label, 511);
    const auto at = label.find('@');
    if (at == std::string_view::npos || at == 0) return {};
    return {label.substr(0, at), label.substr(at + 1), true};
}

// «/w kater hallo» gives 2, «/me winkt» 1, «/w kater /smile/» 3.
int headWordCount(std::string_view text) {
    if (text.empty() || text[0] != '/') return 0;
    int count = 1;
    if (text.size() > 3 && text.find('/', 3) != std::string_view::npos) ++count;
    if (text.size() > 1 && (text[1] == 'w' || text[1] == 'W')) ++count;
    return count;
}

}  // namespace

void SendInputLine(Client& client, std::string_view typed, bool inverted) {
    std::string line(capped(typed, MaxLine));

    // 1. The away commands are ours, not the server's.
    if (client.away().handleCommand(line)) {
        client.resetInputLine();
        return;
    }

    // 2. The session of the focused tab, or of the first tab.
    TabStrip& tabs = client.tabs();
    if (tabs.count() == 0 || tabs.focused() < 0) return;
    LabelParts parts = splitLabel(tabs.label(tabs.focused()));
    if (!parts.qualifies) {
        if (tabs.focused() == 0) return;
        tabs.setFocus(0);
        parts = splitLabel(tabs.label(0));
        if (!parts.qualifies) return;
    }
    Session* target = client.sessions().findByChatAndNick(parts.chatName, parts.nick);
    if (target == nullptr) return;

    // 3. A recipient of "@chat" only picks the session.
    std::string recipient(capped(client.recipientBox().text(), 99));
    if ((recipient.size() > 0 && recipient[0] == '@') || (recipient.size() > 1 && recipient[1] == '@')) {
        if (Session* s =
                client.sessions().findByChat(std::string_view(recipient).substr(recipient.find('@') + 1))) {
            target = s;
        }
        recipient.clear();
    }

    // 4. Art: the line as typed, drawn with the chosen font.
    ArtFontBox& artBox = client.artFontBox();
    if (!artBox.editText().empty()) {
        if (const auto art = client.artFonts().render(artBox.selected(), line, " ", 1, 60);
            art && !art->empty()) {
            client.send(target->socket, *art);
        }
        artBox.setEditText("");
        client.resetInputLine();
        return;
    }

    // 5. The chat of the marked row.
    const MessageView& view = client.messageView();
    const MessageRows& rows = view.rows();
    const int marker = rows.marker();
    const bool hasMarker = marker >= 0 && marker < rows.count();
    if (client.settings().autoChatChange && hasMarker) {
        if (Session* s = client.sessions().findByChat(capped(rows.cell(marker, view.chatColumn()), 254)))
            target = s;
    }

    // 6. Whisper or not.
    std::string prefix;
    const bool command = !line.empty() && line[0] == '/';
    if (recipient.empty() && !command) {
        if (hasMarker && client.settings().autowhisper) {
            const std::string_view name = capped(rows.cell(marker, view.nameColumn()), 239);
            // Rows without a chatter show a lone blank: there is nobody to whisper to.
            const bool hasName = !name.empty() && name != " ";
            const LineKind kind = rows.kind(marker);
            const bool whisperRow = kind == LineKind::WhisperIn || kind == LineKind::WhisperOut;
            if ((whisperRow && !inverted) || (!whisperRow && inverted && hasName)) {
                prefix = "/w ";
                prefix += name;
                prefix += ' ';
            }
        }
    } else if (command) {
        // «/w kater@chat2 hallo»: the chat picks the session and leaves the line.
        const auto firstBlank = line.find(' ');
        const auto q =
            firstBlank == std::string::npos ? std::string::npos : line.find_first_of("@ ", firstBlank + 1);
        const auto e = q == std::string::npos ? std::string::npos : line.find(' ', q);
        if (e != std::string::npos) {
            const std::string chat = line[q] == ' ' ? line.substr(q + 1) : line.substr(q + 1, e - q - 1);
            if (Session* s = client.sessions().findByChat(chat)) target = s;
            if (line[q - 1] != ' ') {
                line.erase(q, e - q);
            } else {
                line.erase(0, e);
            }
        }
    } else if (!inverted) {
        const auto at = recipient.find('@');
        if (at != std::string::npos) {
            if (Session* s = client.sessions().findByChat(std::string_view(recipient).substr(at + 1)))
                target = s;
            recipient.erase(at);
        }
        prefix = "/w ";
        prefix += recipient;
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
    client.resetInputLine();

    // 9.-11. Wrapped to the server's width with the command words on every piece.
    const std::string outgoing = prefix + line;
    WrappedText wrapped(outgoing, headWordCount(outgoing),
                        client.workingDirectory() / pathFromWindows1252("inline"));
    std::string composed = wrapped.compose(85 - static_cast<int>(nickLength), "\r");
    if (composed.empty()) {
        composed = outgoing;
        composed += '\r';
    }
    client.send(socket, composed);
}

}  // namespace tavik
