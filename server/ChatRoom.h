// The chat itself: chatters, channels, the login dialog and the commands.
//
// The room knows nothing about sockets. Human chatters reach it through an Outlet
// (their connection); simulated chatters have none and hear about whispers through
// the hooks, so the room treats both alike otherwise.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace tavik::server {

class Outlet {
public:
    virtual ~Outlet() = default;
    virtual void send(std::string_view bytes) = 0;
    // Ends the conversation once everything sent so far has left.
    virtual void close() = 0;
};

struct Channel {
    std::string name;
    std::string password;  // empty: open to everyone
    bool permanent = false;
};

struct Chatter {
    int id = 0;
    std::string nick;  // empty until the login
    std::string channel;
    std::string remark;        // shown in parentheses in the chatter list, e.g. "weg"
    Outlet* outlet = nullptr;  // none for simulated chatters
    bool loggedIn() const { return !nick.empty(); }
};

class ChatRoom {
public:
    struct Hooks {
        // A human chatter's nick was accepted.
        std::function<void(int id)> loggedIn;
        // Someone whispered to a chatter without an outlet (a bot).
        std::function<void(int botId, const std::string& from, const std::string& text)> botWhispered;
        // A chatter entered the chat; bots use it to greet newcomers.
        std::function<void(int id, const std::string& nick)> arrived;
    };

    ChatRoom();

    void setHooks(Hooks hooks) { m_hooks = std::move(hooks); }

    // A new connection: sends the banner and the name prompt. Returns the chatter id.
    int connect(Outlet& outlet);
    // A simulated chatter enters directly (no prompt). Returns its id, or 0 when the
    // nick is taken or invalid.
    int enterBot(std::string_view nick, std::string_view channel);
    // One line the chatter typed, line end already removed.
    void input(int id, std::string_view line);
    // The connection is gone (or the bot leaves): others hear of it if it was logged in.
    void leave(int id, std::string_view how = "hat den Chat verlassen.");
    // A server notice («>>> text») to every chatter.
    void broadcastNotice(std::string_view text);
    // Tells every connected chatter that the server stops.
    void shutdownNotice();

    const Chatter* find(int id) const;
    const Chatter* findByNick(std::string_view nick) const;
    std::vector<int> chatterIds() const;
    const std::vector<Channel>& channels() const { return m_channels; }

    // The framed chatter list, without the echo that precedes it.
    std::vector<std::string> chatterList() const;
    std::vector<std::string> helpText() const;

private:
    void login(Chatter& c, std::string_view line);
    void command(Chatter& c, std::string_view line);
    void say(Chatter& c, std::string_view text);
    void whisper(Chatter& c, std::string_view args);
    void action(Chatter& c, std::string_view args);
    void changeChannel(Chatter& c, std::string_view args);
    void rename(Chatter& c, std::string_view args);
    void away(Chatter& c, std::string_view args);
    void back(Chatter& c);
    void quit(Chatter& c);

    void sendLine(const Chatter& c, std::string_view line);
    void sendLines(const Chatter& c, const std::vector<std::string>& lines);
    void prompt(const Chatter& c);
    // To every logged-in chatter in the channel, optionally sparing one.
    void toChannel(std::string_view channel, std::string_view line, int except = 0);
    void toEveryone(std::string_view line);
    Channel* findChannel(std::string_view name);
    void dropChannelIfEmpty(const std::string& name);
    bool nickTaken(std::string_view nick, int except) const;
    void announceArrival(const Chatter& c);

    std::map<int, Chatter> m_chatters;
    std::vector<Channel> m_channels;
    Hooks m_hooks;
    int m_nextId = 1;
};

}  // namespace tavik::server
