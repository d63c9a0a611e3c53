#include "net/LineClassifier.h"

#include <algorithm>
#include <climits>

#include "net/Session.h"
#include "text/Text.h"

namespace tavik {

namespace {

constexpr std::string_view LoginPromptWithEcho = "Gib Deinen Namen ein (oder /Show, /Exit, /Help): /s";
constexpr std::string_view NameErrors[] = {
    ">>> Dieser Name wird bereits benutzt. Bitte gib einen anderen Namen ein.",
    ">>> Ungueltige Zeichen im Namen.",
    ">>> ### ERROR: ungueltige Zeichen im Namen ###",
    ">>> Den Chatter gibts schon!",
};
static_assert(std::ranges::all_of(NameErrors, [](std::string_view e) { return e.starts_with(">>> "); }));
// A channel label (word, count and brackets) is shortened to this length.
constexpr std::size_t MaxChannelLabel = 95;
constexpr auto npos = std::string_view::npos;

bool contains(std::string_view text, std::string_view part) {
    return text.find(part) != npos;
}

void bump(int& counter) {
    if (counter < INT_MAX) ++counter;
}

// Position of the second blank (the one after the first), or npos.
std::size_t secondBlank(std::string_view line) {
    const auto first = line.find(' ');
    return first == npos ? npos : line.find(' ', first + 1);
}

// The text from `from` up to `to`. When the cut lies before the start, the
// name runs to the end of the line, as it did when the cut was a written zero.
std::string_view slice(std::string_view line, std::size_t from, std::size_t to) {
    if (from >= line.size()) return {};
    if (to < from) return line.substr(from);
    return line.substr(from, to - from);
}

std::string_view from(std::string_view line, std::size_t pos) {
    return pos >= line.size() ? std::string_view() : line.substr(pos);
}

// Position of the first ',' or ' ' at or after `start`, or npos.
std::size_t commaOrBlank(std::string_view line, std::size_t start) {
    const std::string_view rest = from(line, start);
    const std::size_t at = indexOrEnd(rest, ',', ' ');
    return at == rest.size() ? npos : start + at;
}

// Whether one of the name errors stands anywhere in the line. They all begin
// with ">>> ", so only the places of that are looked at.
bool containsNameError(std::string_view line) {
    constexpr std::string_view Start = ">>> ";
    for (std::size_t at = line.find(Start); at != npos; at = line.find(Start, at + 1)) {
        const std::string_view rest = line.substr(at);
        for (const std::string_view error : NameErrors) {
            if (rest.starts_with(error)) return true;
        }
    }
    return false;
}

}  // namespace

bool isNameChar(unsigned char c) {
    if (c == 0xE7) return true;  // ç
    if (c < 33 || c > 126) return false;
    switch (c) {
        case '#':
        case '$':
        case '(':
        case ')':
        case ',':
        case '@':
        case '|':
        case '~':
            return false;
        default:
            return true;
    }
}

ServerLine LineClassifier::classify(Session& session, int socket, std::string_view line) {
    const char first = line.empty() ? '\0' : line[0];
    if (session.list.reading && first != '|' && first != '+') [[unlikely]] {
        // A line that belongs to no list cuts the list off.
        session.list.reading = false;
        m_sink.chatterListRead(session);
    }
    switch (first) {
        case '+':
            return plusRule(session, line);
        case '|':
            return barRule(session, socket, line);
        case '-':
            return minusRule(session, line);
        case '>':
            return greaterRule(session, line);
        case '<':
            return lessRule(session, line);
        case '/':
            return slashRule(session, line);
        case 'G':
            return gRule(session, line);
        default:
            return {LineKind::Plain, {}, line};
    }
}

// "+" frames the chatter list: the 1st line starts it, the 3rd ends it.
ServerLine LineClassifier::plusRule(Session& session, std::string_view line) {
    ChatterListState& st = session.list;
    if (st.helpShown) return {LineKind::Notice, {}, line};
    bump(st.plusLines);
    st.namesOnLine = 0;
    if (st.plusLines == 1) {
        session.channels.markStale("");
        st.chattersListed = 0;
        m_sink.chatterListStarts(session);
    }
    if (st.reading && st.plusLines % 3 == 0) {
        st.reading = false;
        m_sink.chatterListRead(session);
    }
    if (st.plusLines == 3) {
        session.channels.sweepStale("");
        m_sink.chatterListEnds(session, st.chattersListed);
    }
    if (!st.listShown) return {LineKind::Hidden, {}, {}};
    if (st.plusLines == 3) st.listShown = false;
    return {LineKind::Notice, {}, line};
}

void LineClassifier::ensureTreeItems(Session& session) {
    if (!m_sink.hasTreeItem(session.treeItem)) {
        session.treeItem = m_sink.addTreeItem(session, session.chatName, NoItem, TreeItemType::Connection);
    }
    if (!m_sink.hasTreeItem(session.list.currentChannelItem)) {
        session.list.currentChannelItem =
            m_sink.addTreeItem(session, "", session.treeItem, TreeItemType::Channel);
    }
}

// "|" is one line of the chatter list: names separated by ", " (a name may carry
// a remark in brackets), and on a channel's last line its label after the names.
ServerLine LineClassifier::barRule(Session& session, int socket, std::string_view line) {
    ChatterListState& st = session.list;
    if (st.helpShown) return {LineKind::Notice, {}, line};
    ensureTreeItems(session);

    // The header stands between a list's first two "+" lines. Anywhere else the
    // same words are a chatter's own (a remark such as «(Name: egal)»).
    const bool headerLine = st.plusLines % 3 == 1;
    const std::size_t n = line.size();
    std::size_t pos = 1;
    std::size_t stop = pos;  // where the token loop stopped
    // Whether the channel is known to be one of the tree's: it is after a name
    // was added under it.
    bool channelLive = false;
    bool more = true;
    while (more) {
        while (pos < n && !isNameChar(static_cast<unsigned char>(line[pos])))
            ++pos;
        const std::size_t start = pos;
        const std::size_t delimiter = commaOrBlank(line, start);
        if (delimiter == npos) {
            stop = start;  // a name that ends with the line is no name
            break;
        }
        const char after = delimiter + 1 < n ? line[delimiter + 1] : '\0';
        if (line[delimiter] == ' ' && after != '(') more = false;
        std::size_t end = delimiter;
        std::size_t next = delimiter + 1;
        if (after == '(') {
            // The remark belongs to the name.
            const std::size_t close = line.find(')', delimiter + 1);
            if (close == npos || close + 1 >= n) {
                end = n;
                next = n;
                more = false;
            } else {
                end = close + 1;
                next = close + 2;
                if (line[close + 1] == ' ') more = false;
            }
        }
        const std::string_view token = line.substr(start, end - start);
        const std::string_view rest = line.substr(start);
        if (headerLine && (contains(rest, "Name:") || contains(rest, "Chatter und Chatterinnen"))) {
            // The header of a new list: the session's items are rebuilt from here,
            // and so are its names, which must never outnumber what the tree can hold.
            m_sink.chatterListHeader(session);
            session.treeItem = NoItem;
            st.currentChannelItem = NoItem;
            st.reading = true;
            channelLive = false;
        } else {
            // Names after a header on the same line get fresh items rather than none.
            if (!channelLive && !m_sink.hasTreeItem(st.currentChannelItem)) ensureTreeItems(session);
            // The name ends at the delimiter, unless a remark follows a comma.
            const std::size_t nameLength =
                line[delimiter] == ' ' || end == delimiter ? delimiter - start : cutAtBlank(token).size();
            const TreeItemId added = m_sink.addChatter(session, token, nameLength, st.currentChannelItem);
            // The arrival check may have opened a box whose loop ended the session.
            if (m_sessions.findBySocket(socket) == nullptr) return {LineKind::Hidden, {}, {}};
            channelLive = added != NoItem;
            if (added != NoItem) {
                bump(st.namesOnLine);
                bump(st.chattersListed);
            }
        }
        pos = next;
        stop = next;
    }

    // The channel label: the word after the next run of blanks, followed by a blank;
    // a "*" right after that blank marks a protected channel.
    const std::size_t blank = stop < n ? line.find(' ', stop) : npos;
    const std::size_t word = blank == npos ? npos : line.find_first_not_of(' ', blank);
    const std::size_t wordEnd = word == npos ? npos : line.find(' ', word);
    if (wordEnd != npos) {
        const bool isProtected = wordEnd + 1 < n && line[wordEnd + 1] == '*';
        m_label.clear();
        appendNumber(m_label, st.namesOnLine);
        const std::size_t room = MaxChannelLabel - m_label.size() - 3;
        const std::string_view name = capped(line.substr(word, wordEnd - word), room);
        m_label.insert(0, " (");
        m_label.insert(0, name);
        m_label += ')';
        if (m_sink.hasTreeItem(st.currentChannelItem)) {
            m_sink.nameChannel(session, st.currentChannelItem, m_label, isProtected);
        }
        if (m_sink.hasTreeItem(session.treeItem)) m_sink.expandTreeItem(session, session.treeItem);
        st.currentChannelItem = NoItem;
        st.namesOnLine = 0;
    }

    if (!st.listShown) return {LineKind::Hidden, {}, {}};
    return {LineKind::Notice, {}, line};
}

// "-": an event «--> name text», or else a public line of its own.
ServerLine LineClassifier::minusRule(Session& session, std::string_view line) {
    if (line.size() < 3 || line[2] != '>') return {LineKind::Public, {}, line};
    const std::size_t cut = secondBlank(line);
    if (cut == npos) return greaterRule(session, line);
    return {LineKind::Event, slice(line, 4, cut), from(line, cut + 1)};
}

// ">": server notices; name errors reopen the Login dialog; renames.
ServerLine LineClassifier::greaterRule(Session& session, std::string_view line) {
    if (containsNameError(line)) {
        // Answered on the session whose server rejected the name, whichever is current.
        m_sink.nameRejected(session.socket, line);
        // The session may be gone after the dialog's nested loop; only the line is used.
        return {LineKind::Notice, {}, line};
    }
    const std::size_t cut = secondBlank(line);
    if (cut == npos) return lessRule(session, line);
    const std::size_t comma = line.find(',');
    if (comma != npos && comma < cut) return {LineKind::Notice, " ", from(line, 4)};

    const std::string_view name = slice(line, 4, cut);
    std::string_view text = from(line, cut + 1);
    if (contains(text, "wird zu ")) {
        const auto dot = text.rfind('.');
        if (dot != npos) text = text.substr(0, dot);
        // Only the own nick being renamed relabels the tab, not any name that contains it.
        const auto lastBlank = text.rfind(' ');
        if (lastBlank != npos && !session.nick.empty() && equalsIgnoreCase(name, session.nick)) {
            m_sink.ownNickRenamed(session, text.substr(lastBlank + 1));
        }
    }
    return {LineKind::Notice, name, text};
}

// "<": «<name> text» or the whisper «<*name*> text».
ServerLine LineClassifier::lessRule(Session& session, std::string_view line) {
    const std::size_t gt = line.find('>');
    if (gt == npos) return slashRule(session, line);
    const std::string_view text = from(line, gt + 2);
    if (gt >= 1 && line[gt - 1] == '*') {
        const std::size_t star = gt - 1;
        return {LineKind::WhisperIn, star >= 2 ? line.substr(2, star - 2) : std::string_view(), text};
    }
    return {LineKind::Public, slice(line, 1, gt), text};
}

// "/": the server's echo of a command, told by its second character.
ServerLine LineClassifier::slashRule(Session& session, std::string_view line) {
    ChatterListState& st = session.list;
    switch (line.size() >= 2 ? line[1] : '\0') {
        case 'A':
        case 'a':
        case 'C':
        case 'c':
        case 'E':
        case 'e':
        case 'N':
        case 'n':
        case 'T':
        case 't':
            return {LineKind::Hidden, {}, {}};
        case 'H':
        case 'h':
            st.helpShown = true;
            return {LineKind::Hidden, {}, {}};
        case 'S':
            st.listShown = true;
            st.plusLines = 0;
            st.helpShown = false;
            return {LineKind::Hidden, {}, {}};
        case 's':
            st.listShown = false;
            st.plusLines = 0;
            st.helpShown = false;
            return {LineKind::Hidden, {}, {}};
        case 'W':
        case 'w': {
            const auto first = line.find(' ');
            const std::size_t cut = secondBlank(line);
            if (cut == npos) return gRule(session, line);
            return {LineKind::WhisperOut, line.substr(first + 1, cut - first - 1), from(line, cut + 1)};
        }
        default:
            return gRule(session, line);
    }
}

// Everything else that got this far. The login prompt completed by the echo of
// the keep-alive's "/s" is followed by a list that is not to be shown.
ServerLine LineClassifier::gRule(Session& session, std::string_view line) {
    session.list.listShown = line != LoginPromptWithEcho;
    return {LineKind::Plain, {}, line};
}

}  // namespace tavik
