#include "Bots.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace tavik::server {

namespace {

struct Names {
    std::string_view nick;
    std::string_view alt;
};

constexpr std::array<Names, 12> kNames = {{
    {"Anna", "Annchen"},
    {"Bernd", "Berndi"},
    {"Claudia", "Claudi"},
    {"Dieter", "Didi"},
    {"Elke", "Elkchen"},
    {"Fritz", "Fritze"},
    {"Gisela", "Gisi"},
    {"Horst", "Horsti"},
    {"Ingrid", "Inge"},
    {"Juergen", "Jockel"},
    {"Kerstin", "Kiki"},
    {"Lothar", "Lotti"},
}};

constexpr std::array<std::string_view, 14> kSayings = {
    "Hallo zusammen!",
    "Wie geht's euch heute?",
    "Sch\xF6nes Wetter drau\xDF"
    "en, oder?",
    "Hat jemand gestern den Tatort gesehen?",
    "M\xFC"
    "de bin ich heute...",
    "Gr\xFC\xDF"
    "e aus Hamburg!",
    "Was gibt's Neues?",
    "Haha, der war gut :-)",
    "Kennt jemand ein gutes Rezept f\xFCr K\xE4"
    "sekuchen?",
    "\xDC"
    "brigens: Freitag ist Stammtisch!",
    "Ich muss gleich los, bis sp\xE4ter.",
    "Bei uns regnet es schon den ganzen Tag.",
    "Wer hat Lust auf eine Runde Skat?",
    "Das ist ja spannend!",
};

constexpr std::array<std::string_view, 7> kActions = {
    "g\xE4hnt herzhaft.",  "holt sich einen Kaffee.", "schlaeft ein.",           "lacht sich schlapp.",
    "winkt in die Runde.", "schaut aus dem Fenster.", "verteilt Kekse an alle.",
};

constexpr std::array<std::string_view, 5> kAwayReasons = {"", "Mittagessen", "Telefon", "Hund raus",
                                                          "gleich da"};

constexpr std::array<std::string_view, 5> kReplies = {
    "sch\xF6n von Dir zu h\xF6ren!",     "psst, nicht so laut :-)", "ja, genau so sehe ich das auch.",
    "moment, ich bin gleich wieder da.", "erz\xE4hl mal mehr!",
};

constexpr std::array<std::string_view, 4> kNotices = {
    "Am Freitag ist Stammtisch in der Kneipe.",
    "Bitte bleibt freundlich zueinander.",
    "Das Hinterzimmer ist nur mit Passwort zu betreten.",
    "Hilfe zu den Befehlen gibt es mit /h.",
};

constexpr std::array<std::string_view, 3> kOtherChannels = {"Kneipe", "Garten", "Hinterzimmer"};
constexpr std::string_view kHomeChannel = "Lobby";
constexpr std::string_view kBackRoomPassword = "geheim";

}  // namespace

Bots::Bots(ChatRoom& room, Timers& timers, int count, Millis interval, std::uint32_t seed)
    : m_room(room), m_timers(timers), m_interval(interval), m_rng(seed) {
    std::vector<Names> names(kNames.begin(), kNames.end());
    std::shuffle(names.begin(), names.end(), m_rng);
    auto wanted = static_cast<std::size_t>(std::max(0, count));
    for (std::size_t i = 0; i < wanted; ++i) {
        const Names& n = names[i % names.size()];
        std::string suffix = i < names.size() ? "" : std::to_string(i / names.size() + 1);
        m_bots.push_back({std::string(n.nick) + suffix, std::string(n.alt) + suffix, 0});
    }
}

void Bots::start() {
    if (m_bots.empty()) return;
    for (Bot& bot : m_bots)
        bot.id = m_room.enterBot(bot.nick, kHomeChannel);
    m_timers.after(jitter(m_interval), [this] { tick(); });
}

void Bots::whispered(int botId, const std::string& from, const std::string& text) {
    // Answer after a pause, as a person would; by then either side may be gone.
    std::string reply = text.find('?') != std::string::npos ? "gute Frage, " + from + "!"
                                                            : from + ", " + std::string(pick(kReplies));
    m_timers.after(jitter(m_interval / 2), [this, botId, from, reply] {
        if (m_room.find(botId) && m_room.findByNick(from)) m_room.input(botId, "/w " + from + " " + reply);
    });
}

void Bots::arrived(int id, const std::string& nick) {
    const Chatter* newcomer = m_room.find(id);
    if (!newcomer || !newcomer->outlet) return;  // bots do not greet each other
    std::string channel = newcomer->channel;
    m_timers.after(jitter(m_interval / 2), [this, nick, channel] {
        for (Bot& bot : m_bots) {
            const Chatter* me = bot.id ? m_room.find(bot.id) : nullptr;
            if (me && me->channel == channel && m_room.findByNick(nick)) {
                m_room.input(bot.id, "Hallo " + nick + ", willkommen!");
                return;
            }
        }
    });
}

void Bots::tick() {
    if (m_deck.empty()) {
        // Every kind of move comes once per round, so that each line form shows up
        // within a few intervals; talk comes more often.
        m_deck = {Move::Say,     Move::Say,    Move::Act,    Move::AwayOrBack,   Move::Say,
                  Move::Channel, Move::Rename, Move::Notice, Move::LeaveOrEnter, Move::WhisperHuman};
        std::shuffle(m_deck.begin(), m_deck.end(), m_rng);
    }
    Move move = m_deck.back();
    m_deck.pop_back();
    perform(move);
    m_timers.after(jitter(m_interval), [this] { tick(); });
}

void Bots::perform(Move move) {
    Bot* bot = pickPresent(move != Move::Channel);
    if (!bot) {
        move = Move::LeaveOrEnter;  // everybody left: somebody comes back
    }
    switch (move) {
        case Move::Say:
            m_room.input(bot->id, std::string(pick(kSayings)));
            break;
        case Move::Act:
            m_room.input(bot->id, "/a " + std::string(pick(kActions)));
            break;
        case Move::AwayOrBack: {
            const Chatter* me = m_room.find(bot->id);
            if (me && !me->remark.empty()) {
                m_room.input(bot->id, "/da");
            } else {
                m_room.input(bot->id, "/weg " + std::string(pick(kAwayReasons)));
            }
            break;
        }
        case Move::Channel: {
            const Chatter* me = m_room.find(bot->id);
            if (me && me->channel != kHomeChannel) {
                m_room.input(bot->id, "/c " + std::string(kHomeChannel));
            } else {
                std::string channel(pick(kOtherChannels));
                std::string command = "/c ";
                command += channel;
                if (channel == "Hinterzimmer") {
                    command += ' ';
                    command += kBackRoomPassword;
                }
                m_room.input(bot->id, command);
            }
            break;
        }
        case Move::Rename: {
            const Chatter* me = m_room.find(bot->id);
            bool usual = me && me->nick == bot->nick;
            m_room.input(bot->id, "/n " + (usual ? bot->altNick : bot->nick));
            break;
        }
        case Move::Notice:
            m_room.broadcastNotice(pick(kNotices));
            break;
        case Move::LeaveOrEnter: {
            auto absent = std::find_if(m_bots.begin(), m_bots.end(), [](const Bot& b) { return b.id == 0; });
            if (absent != m_bots.end()) {
                absent->id = m_room.enterBot(absent->nick, kHomeChannel);
                if (absent->id == 0) absent->id = m_room.enterBot(absent->altNick, kHomeChannel);
            } else if (bot) {
                m_room.leave(bot->id);
                bot->id = 0;
            }
            break;
        }
        case Move::WhisperHuman: {
            int human = pickHuman();
            const Chatter* target = human ? m_room.find(human) : nullptr;
            if (target) {
                m_room.input(bot->id, "/w " + target->nick + " Hallo " + target->nick + ", wie geht's Dir?");
            } else {
                m_room.input(bot->id, std::string(pick(kSayings)));
            }
            break;
        }
    }
}

Bots::Bot* Bots::pickPresent(bool nearHumans) {
    std::vector<Bot*> present;
    std::vector<Bot*> near;
    for (Bot& bot : m_bots) {
        const Chatter* me = bot.id ? m_room.find(bot.id) : nullptr;
        if (!me) {
            bot.id = 0;
            continue;
        }
        present.push_back(&bot);
        if (channelHasHuman(me->channel)) near.push_back(&bot);
    }
    // Most of the talk happens where people are watching.
    const auto& from = nearHumans && !near.empty() ? near : present;
    if (from.empty()) return nullptr;
    return pick(from);
}

int Bots::pickHuman() {
    std::vector<int> humans;
    for (int id : m_room.chatterIds()) {
        const Chatter* c = m_room.find(id);
        if (c && c->outlet) humans.push_back(id);
    }
    return humans.empty() ? 0 : pick(humans);
}

bool Bots::channelHasHuman(const std::string& channel) const {
    for (int id : m_room.chatterIds()) {
        const Chatter* c = m_room.find(id);
        if (c && c->outlet && c->channel == channel) return true;
    }
    return false;
}

Millis Bots::jitter(Millis base) {
    // Between half and one and a half of the base, never zero.
    std::uniform_int_distribution<long> d(base.count() / 2, base.count() * 3 / 2);
    return Millis(std::max(1L, d(m_rng)));
}

}  // namespace tavik::server
