// Simulated chatters for the demo. They enter and leave, talk, act, go away and
// come back, change channel, rename themselves and answer whispers, so that every
// kind of line shows up within a minute.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "ChatRoom.h"
#include "Timers.h"

namespace tavik::server {

class Bots {
public:
    Bots(ChatRoom& room, Timers& timers, int count, Millis interval, std::uint32_t seed);

    // The bots enter the chat and start acting.
    void start();
    // Hooks from the room.
    void whispered(int botId, const std::string& from, const std::string& text);
    void arrived(int id, const std::string& nick);

private:
    enum class Move { Say, Act, AwayOrBack, Channel, Rename, Notice, LeaveOrEnter, WhisperHuman };
    struct Bot {
        std::string nick;     // the usual nick
        std::string altNick;  // the one it renames itself to now and then
        int id = 0;           // 0 while outside the chat
    };

    void tick();
    void perform(Move move);
    Bot* pickPresent(bool nearHumans);
    int pickHuman();
    bool channelHasHuman(const std::string& channel) const;
    Millis jitter(Millis base);
    template <typename List>
    const auto& pick(const List& list) {
        std::uniform_int_distribution<std::size_t> d(0, list.size() - 1);
        return list[d(m_rng)];
    }

    ChatRoom& m_room;
    Timers& m_timers;
    Millis m_interval;
    std::mt19937 m_rng;
    std::vector<Bot> m_bots;
    std::vector<Move> m_deck;
};

}  // namespace tavik::server
