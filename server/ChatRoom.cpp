#include "ChatRoom.h"

#include <algorithm>

#include "Text.h"

namespace tavik::server {

namespace {

constexpr std::size_t kFrameWidth = 70;
constexpr std::size_t kNamesWidth = 52;  // names column of the chatter list
constexpr std::size_t kMaxTextLength = 200;
constexpr std::size_t kMaxRemarkLength = 20;
constexpr std::string_view kDefaultChannel = "Lobby";

std::string_view trim(std::string_view s) {
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    return s;
}

// Splits "word rest" at the first blank; rest is trimmed.
std::pair<std::string_view, std::string_view> splitWord(std::string_view s) {
    s = trim(s);
    auto blank = s.find(' ');
    if (blank == std::string_view::npos) return {s, {}};
    return {s.substr(0, blank), trim(s.substr(blank + 1))};
}

std::string lowerAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

std::string frameBar() {
    std::string bar;
    bar.append(ansi::kBlue).append("+").append(kFrameWidth, '-').append("+").append(ansi::kOff);
    return bar;
}

std::string frameRow(std::string_view content) {
    std::string row;
    row.append(ansi::kBlue).append("|").append(ansi::kOff).append(" ").append(content);
    return row;
}

std::string limited(std::string_view text, std::size_t max) {
    return std::string(text.substr(0, std::min(text.size(), max)));
}

}  // namespace

ChatRoom::ChatRoom() {
    m_channels.push_back({std::string(kDefaultChannel), "", true});
    m_channels.push_back({"Kneipe", "", true});
    m_channels.push_back({"Garten", "", true});
    m_channels.push_back({"Hinterzimmer", "geheim", true});
}

int ChatRoom::connect(Outlet& outlet) {
    Chatter c;
    c.id = m_nextId++;
    c.outlet = &outlet;
    auto& stored = m_chatters[c.id] = c;
    std::string banner;
    banner.append(ansi::kBold).append(ansi::kYellow).append("*** Willkommen im Brenn-Chat ***");
    banner.append(ansi::kOff);
    sendLine(stored, banner);
    sendLine(stored, "Hier triffst Du nette Leute aus dem ganzen Land.");
    prompt(stored);
    return stored.id;
}

int ChatRoom::enterBot(std::string_view nick, std::string_view channel) {
    if (checkNick(nick) != NickCheck::Ok || nickTaken(nick, 0)) return 0;
    Chatter c;
    c.id = m_nextId++;
    c.nick = nick;
    c.channel = findChannel(channel) ? std::string(channel) : std::string(kDefaultChannel);
    auto& stored = m_chatters[c.id] = c;
    announceArrival(stored);
    return stored.id;
}

void ChatRoom::input(int id, std::string_view raw) {
    auto it = m_chatters.find(id);
    if (it == m_chatters.end()) return;
    std::string cleaned = cleanInput(raw);
    std::string_view line = cleaned;
    while (!line.empty() && line.back() == ' ')
        line.remove_suffix(1);
    if (line.empty()) return;  // empty lines (a Login-Auto-Text left blank) mean nothing
    Chatter& c = it->second;
    if (!c.loggedIn()) {
        login(c, line);
    } else if (line.front() == '/') {
        command(c, line);
    } else {
        say(c, line);
    }
}

void ChatRoom::leave(int id, std::string_view how) {
    auto it = m_chatters.find(id);
    if (it == m_chatters.end()) return;
    Chatter gone = it->second;
    m_chatters.erase(it);
    if (gone.loggedIn()) {
        toChannel(gone.channel, eventLine(gone.nick, how));
        dropChannelIfEmpty(gone.channel);
    }
}

void ChatRoom::broadcastNotice(std::string_view text) {
    toEveryone(noticeLine(text));
}

void ChatRoom::shutdownNotice() {
    for (auto& [id, c] : m_chatters) {
        sendLine(c, noticeLine("Der Server wird beendet. Bis zum naechsten Mal!"));
    }
}

const Chatter* ChatRoom::find(int id) const {
    auto it = m_chatters.find(id);
    return it == m_chatters.end() ? nullptr : &it->second;
}

const Chatter* ChatRoom::findByNick(std::string_view nick) const {
    for (const auto& [id, c] : m_chatters) {
        if (c.loggedIn() && sameName(c.nick, nick)) return &c;
    }
    return nullptr;
}

std::vector<int> ChatRoom::chatterIds() const {
    std::vector<int> ids;
    for (const auto& [id, c] : m_chatters) {
        if (c.loggedIn()) ids.push_back(id);
    }
    return ids;
}

std::vector<std::string> ChatRoom::chatterList() const {
    std::vector<std::string> lines;
    lines.push_back(frameBar());
    lines.push_back(frameRow("Chatter und Chatterinnen im Brenn-Chat:"));
    lines.push_back(frameBar());
    for (const Channel& ch : m_channels) {
        std::vector<std::string> entries;
        for (const auto& [id, c] : m_chatters) {
            if (!c.loggedIn() || c.channel != ch.name) continue;
            entries.push_back(c.remark.empty() ? c.nick : c.nick + " (" + c.remark + ")");
        }
        if (entries.empty()) continue;
        // Names run on over several rows; every row but the channel's last ends with
        // "," so that a reader knows more names follow.
        std::string row;
        for (const std::string& entry : entries) {
            if (!row.empty() && row.size() + 2 + entry.size() > kNamesWidth) {
                lines.push_back(frameRow(row + ","));
                row.clear();
            }
            if (!row.empty()) row += ", ";
            row += entry;
        }
        // The last row carries the channel label after at least two blanks, and a "*"
        // after exactly one blank when the channel needs a password.
        if (row.size() < kNamesWidth) row.resize(kNamesWidth, ' ');
        row.append("  ").append(ansi::kYellow).append(ch.name).append(ansi::kOff);
        row.append(ch.password.empty() ? "    " : " *  ");
        lines.push_back(frameRow(row));
    }
    lines.push_back(frameBar());
    return lines;
}

std::vector<std::string> ChatRoom::helpText() const {
    static const std::vector<std::string_view> rows = {
        "/w Name Text       fluestert Name etwas zu",
        "/a Text            beschreibt, was Du gerade tust",
        "/c Channel [Pw]    wechselt den Channel (Pw bei geschuetzten)",
        "/n Name            aendert Deinen Namen",
        "/weg [Grund]       meldet Dich ab, /da wieder an",
        "/s                 zeigt, wer im Chat ist",
        "/h                 zeigt diese Hilfe",
        "/e                 verlaesst den Chat",
    };
    std::vector<std::string> lines;
    lines.push_back(frameBar());
    lines.push_back(frameRow("Befehle im Brenn-Chat:"));
    lines.push_back(frameBar());
    for (auto row : rows)
        lines.push_back(frameRow(row));
    lines.push_back(frameBar());
    return lines;
}

void ChatRoom::login(Chatter& c, std::string_view line) {
    // The server echoes what was typed, which completes the prompt's line.
    sendLine(c, line);
    std::string lowered = lowerAscii(line);
    if (lowered == "/s" || lowered == "/show") {
        sendLines(c, chatterList());
        prompt(c);
        return;
    }
    if (lowered == "/h" || lowered == "/help") {
        sendLines(c, helpText());
        prompt(c);
        return;
    }
    if (lowered == "/e" || lowered == "/exit") {
        sendLine(c, noticeLine("Schade. Bis bald!"));
        Outlet* outlet = c.outlet;
        int id = c.id;
        m_chatters.erase(id);
        if (outlet) outlet->close();
        return;
    }
    std::string_view nick = trim(line);
    switch (checkNick(nick)) {
        case NickCheck::BadChars:
            sendLine(c, kBadNameChars);
            prompt(c);
            return;
        case NickCheck::BadLength:
            sendLine(c, kBadNameLength);
            prompt(c);
            return;
        case NickCheck::Ok:
            break;
    }
    if (nickTaken(nick, c.id)) {
        sendLine(c, kNameInUse);
        prompt(c);
        return;
    }
    c.nick = nick;
    c.channel = kDefaultChannel;
    sendLine(c, noticeLine("Willkommen im Brenn-Chat, " + c.nick + "!"));
    sendLine(c, noticeLine("Du bist im Channel " + c.channel + ". Hilfe gibt es mit /h."));
    int id = c.id;
    announceArrival(c);
    if (m_hooks.loggedIn) m_hooks.loggedIn(id);
}

void ChatRoom::command(Chatter& c, std::string_view line) {
    auto [word, args] = splitWord(line.substr(1));
    std::string cmd = lowerAscii(word);
    if (cmd == "s" || cmd == "show") {
        sendLine(c, line);
        sendLines(c, chatterList());
    } else if (cmd == "h" || cmd == "help") {
        sendLine(c, line);
        sendLines(c, helpText());
    } else if (cmd == "e" || cmd == "exit") {
        sendLine(c, line);
        quit(c);
    } else if (cmd == "w") {
        whisper(c, args);  // the whisper's echo is its own line form
    } else if (cmd == "a") {
        sendLine(c, line);
        action(c, args);
    } else if (cmd == "c") {
        sendLine(c, "/c " + std::string(splitWord(args).first));  // never echo a password
        changeChannel(c, args);
    } else if (cmd == "n") {
        sendLine(c, line);
        rename(c, args);
    } else if (cmd == "weg") {
        sendLine(c, line);
        away(c, args);
    } else if (cmd == "da") {
        sendLine(c, line);
        back(c);
    } else {
        sendLine(c, noticeLine("Unbekannter Befehl " + std::string(word) + ", Hilfe gibt es mit /h."));
    }
}

void ChatRoom::say(Chatter& c, std::string_view text) {
    toChannel(c.channel, publicLine(c.nick, limited(text, kMaxTextLength)));
}

void ChatRoom::whisper(Chatter& c, std::string_view args) {
    auto [to, text] = splitWord(args);
    if (to.empty() || text.empty()) {
        sendLine(c, noticeLine("So geht's: /w Name Text"));
        return;
    }
    const Chatter* target = findByNick(to);
    if (!target) {
        sendLine(c, noticeLine("Niemand namens " + std::string(to) + " ist im Chat."));
        return;
    }
    std::string said = limited(text, kMaxTextLength);
    std::string from = c.nick;
    int targetId = target->id;
    sendLine(c, whisperEcho(target->nick, said));
    if (target->outlet) {
        sendLine(*target, whisperLine(from, said));
    } else if (m_hooks.botWhispered) {
        m_hooks.botWhispered(targetId, from, said);
    }
}

void ChatRoom::action(Chatter& c, std::string_view args) {
    if (args.empty()) {
        sendLine(c, noticeLine("So geht's: /a Text"));
        return;
    }
    toChannel(c.channel, eventLine(c.nick, limited(args, kMaxTextLength)));
}

void ChatRoom::changeChannel(Chatter& c, std::string_view args) {
    auto [name, password] = splitWord(args);
    if (name.empty()) {
        std::string names;
        for (const Channel& ch : m_channels) {
            if (!names.empty()) names += ", ";
            names += ch.name + (ch.password.empty() ? "" : " *");
        }
        sendLine(c, noticeLine("Die Channels: " + names));
        return;
    }
    if (checkNick(name) != NickCheck::Ok) {
        sendLine(c, noticeLine("Den Channel " + std::string(name) + " kann es nicht geben."));
        return;
    }
    Channel* target = findChannel(name);
    if (target && sameName(target->name, c.channel)) {
        sendLine(c, noticeLine("Du bist schon im Channel " + c.channel + "."));
        return;
    }
    if (target && !target->password.empty() && password != target->password) {
        sendLine(c, noticeLine(password.empty()
                                   ? "Der Channel " + target->name + " ist geschuetzt, bitte mit Passwort."
                                   : "Falsches Passwort fuer den Channel " + target->name + "."));
        return;
    }
    if (!target) {
        // A new channel comes into being with its first visitor; a password given
        // with it protects it.
        m_channels.push_back({std::string(name), std::string(password), false});
        target = &m_channels.back();
    }
    std::string oldChannel = c.channel;
    std::string newChannel = target->name;
    toChannel(oldChannel, eventLine(c.nick, "geht in den Channel " + newChannel + "."));
    c.channel = newChannel;
    toChannel(newChannel, eventLine(c.nick, "kommt aus dem Channel " + oldChannel + "."), c.id);
    sendLine(c, noticeLine("Du bist jetzt im Channel " + newChannel + "."));
    dropChannelIfEmpty(oldChannel);
}

void ChatRoom::rename(Chatter& c, std::string_view args) {
    std::string_view nick = splitWord(args).first;
    if (nick.empty() || checkNick(nick) != NickCheck::Ok) {
        sendLine(c, noticeLine("Der Name " + std::string(nick) + " ist nicht erlaubt."));
        return;
    }
    if (nick == c.nick) return;
    if (nickTaken(nick, c.id)) {
        sendLine(c, noticeLine("Der Name " + std::string(nick) + " ist schon vergeben."));
        return;
    }
    std::string old = c.nick;
    c.nick = nick;
    toEveryone(renameLine(old, c.nick));
}

void ChatRoom::away(Chatter& c, std::string_view args) {
    // The remark sits in parentheses in the chatter list, so it must not close them
    // early or look like the next name.
    std::string remark;
    for (char ch : args) {
        if (ch != '(' && ch != ')' && ch != ',') remark.push_back(ch);
    }
    remark = std::string(trim(limited(remark, kMaxRemarkLength)));
    c.remark = remark.empty() ? "weg" : remark;
    toChannel(c.channel, eventLine(c.nick, "ist weg (" + c.remark + ")."));
}

void ChatRoom::back(Chatter& c) {
    if (c.remark.empty()) {
        sendLine(c, noticeLine("Du warst doch gar nicht weg."));
        return;
    }
    c.remark.clear();
    toChannel(c.channel, eventLine(c.nick, "ist wieder da."));
}

void ChatRoom::quit(Chatter& c) {
    sendLine(c, noticeLine("Tsch\xFC"
                           "ss, " +
                           c.nick + "! Bis bald."));
    Outlet* outlet = c.outlet;
    leave(c.id);
    if (outlet) outlet->close();
}

void ChatRoom::sendLine(const Chatter& c, std::string_view line) {
    if (!c.outlet) return;
    std::string bytes(line);
    bytes.append(kLineEnd);
    c.outlet->send(bytes);
}

void ChatRoom::sendLines(const Chatter& c, const std::vector<std::string>& lines) {
    for (const auto& line : lines)
        sendLine(c, line);
}

void ChatRoom::prompt(const Chatter& c) {
    if (c.outlet) c.outlet->send(kPrompt);
}

void ChatRoom::toChannel(std::string_view channel, std::string_view line, int except) {
    for (const auto& [id, c] : m_chatters) {
        if (id != except && c.loggedIn() && c.channel == channel) sendLine(c, line);
    }
}

void ChatRoom::toEveryone(std::string_view line) {
    for (const auto& [id, c] : m_chatters) {
        if (c.loggedIn()) sendLine(c, line);
    }
}

Channel* ChatRoom::findChannel(std::string_view name) {
    for (Channel& ch : m_channels) {
        if (sameName(ch.name, name)) return &ch;
    }
    return nullptr;
}

void ChatRoom::dropChannelIfEmpty(const std::string& name) {
    for (const auto& [id, c] : m_chatters) {
        if (c.loggedIn() && c.channel == name) return;
    }
    std::erase_if(m_channels, [&](const Channel& ch) { return ch.name == name && !ch.permanent; });
}

bool ChatRoom::nickTaken(std::string_view nick, int except) const {
    for (const auto& [id, c] : m_chatters) {
        if (id != except && c.loggedIn() && sameName(c.nick, nick)) return true;
    }
    return false;
}

void ChatRoom::announceArrival(const Chatter& c) {
    toChannel(c.channel, eventLine(c.nick, "kommt in den Chat."));
    if (m_hooks.arrived) m_hooks.arrived(c.id, c.nick);
}

}  // namespace tavik::server
