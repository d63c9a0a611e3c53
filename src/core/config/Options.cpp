#include "config/Options.h"

#include <array>
#include <optional>
#include <string>
#include <utility>

namespace tavik {

namespace {

struct BoolKey {
    std::string_view key;
    bool Options::*member;
};

// The file's keys. Their names never change: files of older and newer
// versions read each other's.
constexpr std::array<BoolKey, 11> BoolKeys{{
    {"confirm_multiline_paste", &Options::confirmMultilinePaste},
    {"away_answers_whispers_only", &Options::awayAnswersWhispersOnly},
    {"send_umlauts_unchanged", &Options::sendUmlautsUnchanged},
    {"save_input_history", &Options::saveInputHistory},
    {"coloured_names", &Options::colouredNames},
    {"reconnect", &Options::reconnect},
    {"notify_whispers", &Options::notifyWhispers},
    {"notify_chatwatch", &Options::notifyChatWatch},
    {"notify_word_sounds", &Options::notifyWordSounds},
    {"tray_icon", &Options::trayIcon},
    {"close_to_tray", &Options::closeToTray},
}};

std::string_view trim(std::string_view text) {
    constexpr std::string_view Blanks = " \t";
    const auto first = text.find_first_not_of(Blanks);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(Blanks) - first + 1);
}

struct KeyValue {
    std::string_view key;
    std::string_view value;
};

// «key = value»; comments ("#") and lines without "=" have no key.
KeyValue split(std::string_view line) {
    const std::string_view trimmed = trim(line);
    if (trimmed.empty() || trimmed[0] == '#') return {};
    const auto equals = trimmed.find('=');
    if (equals == std::string_view::npos) return {};
    return {trim(trimmed.substr(0, equals)), trim(trimmed.substr(equals + 1))};
}

// Anything else leaves the option as it was: a typo never turns an option round.
std::optional<bool> parseBool(std::string_view value) {
    if (value == "1" || value == "true" || value == "ja" || value == "on") return true;
    if (value == "0" || value == "false" || value == "nein" || value == "off") return false;
    return std::nullopt;
}

// The one number key: the rows kept, one of four choices.
constexpr std::string_view RowsKey = "rows";
constexpr std::array<int, 4> RowChoices{500, 2000, 10000, 50000};

int parseRows(std::string_view value) {
    for (const int choice : RowChoices) {
        if (value == std::to_string(choice)) return choice;
    }
    return 500;
}

const BoolKey* findKey(std::string_view key) {
    for (const BoolKey& k : BoolKeys) {
        if (k.key == key) return &k;
    }
    return nullptr;
}

std::string line(const BoolKey& key, const Options& options) {
    std::string text(key.key);
    text += '=';
    text += options.*key.member ? '1' : '0';
    return text;
}

// The "announce" key: a list of "whispers", "chatwatch" and "all", or "off".
// A value with a word we do not know changes nothing.
constexpr std::string_view AnnounceKey = "announce";

std::optional<AnnounceRows> parseAnnounce(std::string_view value) {
    AnnounceRows rows{false, false, false};
    if (value == "off") return rows;
    if (value.empty()) return std::nullopt;
    while (true) {
        const auto comma = value.find(',');
        const std::string_view word = trim(value.substr(0, comma));
        if (word == "whispers") {
            rows.whispers = true;
        } else if (word == "chatwatch") {
            rows.chatWatch = true;
        } else if (word == "all") {
            rows.all = true;
        } else {
            return std::nullopt;
        }
        if (comma == std::string_view::npos) return rows;
        value.remove_prefix(comma + 1);
    }
}

std::string announceLine(const AnnounceRows& rows) {
    std::string text(AnnounceKey);
    text += '=';
    if (rows.off()) return text + "off";
    std::string_view separator;
    for (const auto& [on, word] : {std::pair{rows.whispers, "whispers"},
                                   std::pair{rows.chatWatch, "chatwatch"}, std::pair{rows.all, "all"}}) {
        if (!on) continue;
        text += separator;
        text += word;
        separator = ",";
    }
    return text;
}

}  // namespace

Options Options::fromText(std::string_view text) {
    Options options;
    // A byte order mark from an editor is no part of the first key.
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    while (!text.empty()) {
        const auto end = text.find('\n');
        std::string_view current = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!current.empty() && current.back() == '\r') current.remove_suffix(1);
        options.m_lines.emplace_back(current);
        const KeyValue kv = split(current);
        if (const BoolKey* key = findKey(kv.key)) {
            if (const std::optional<bool> value = parseBool(kv.value)) options.*key->member = *value;
        } else if (kv.key == RowsKey) {
            options.rows = parseRows(kv.value);
        } else if (kv.key == AnnounceKey) {
            if (const std::optional<AnnounceRows> value = parseAnnounce(kv.value)) options.announce = *value;
        }
    }
    return options;
}

std::string Options::text() const {
    std::string out;
    std::array<bool, BoolKeys.size()> written{};
    bool rowsWritten = false;
    bool announceWritten = false;
    const std::string rowsLine = std::string(RowsKey) + '=' + std::to_string(parseRows(std::to_string(rows)));
    for (const std::string& current : m_lines) {
        const KeyValue kv = split(current);
        if (kv.key == AnnounceKey) {
            if (announceWritten) continue;
            announceWritten = true;
            out += announceLine(announce);
            out += '\n';
            continue;
        }
        if (kv.key == RowsKey) {
            if (rowsWritten) continue;
            rowsWritten = true;
            out += rowsLine;
            out += '\n';
            continue;
        }
        const BoolKey* key = findKey(kv.key);
        // A key written twice counts once, as on reading the last one wins; the
        // first place keeps the value and later ones go.
        if (key == nullptr) {
            out += current;
        } else {
            const auto index = static_cast<std::size_t>(key - BoolKeys.data());
            if (written[index]) continue;
            written[index] = true;
            out += line(*key, *this);
        }
        out += '\n';
    }
    for (std::size_t i = 0; i < BoolKeys.size(); ++i) {
        if (written[i]) continue;
        out += line(BoolKeys[i], *this);
        out += '\n';
    }
    if (!rowsWritten) {
        out += rowsLine;
        out += '\n';
    }
    if (!announceWritten) out += announceLine(announce) + '\n';
    return out;
}

bool Options::load(const std::filesystem::path& file) {
    const BoundedRead read = readFileAtMost(file, MaxFileSize);
    if (read.status != ReadStatus::Read) {
        *this = Options();
        m_keepFile = read.status != ReadStatus::CannotOpen;
        return false;
    }
    *this = fromText(read.bytes);
    return true;
}

bool Options::save(const std::filesystem::path& file, FileCalls& calls) const {
    if (m_keepFile) return false;
    return writeFileAtomically(file, text(), calls);
}

}  // namespace tavik
