#pragma once

// Fakes of the engine's outside world: a transport that hands any bytes to any
// socket in any chunking and records what was sent, a desktop that records its
// calls and can run code while a "modal dialog" is open, and a settable clock.

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/Clock.h"
#include "platform/Desktop.h"
#include "platform/Transport.h"

namespace tavik::test {

class FakeTransport : public Transport {
public:
    // Queues bytes for a socket; each call is one chunk that receive() hands out
    // (cut to the receive size when larger).
    void feed(int socket, std::string bytes) { m_incoming[socket].push_back(std::move(bytes)); }
    std::string sent(int socket) const {
        const auto it = m_sent.find(socket);
        return it == m_sent.end() ? std::string() : it->second;
    }
    void clearSent() { m_sent.clear(); }
    bool closed(int socket) const { return m_closed.count(socket) != 0; }
    std::size_t pendingChunks(int socket) const {
        const auto it = m_incoming.find(socket);
        return it == m_incoming.end() ? 0 : it->second.size();
    }
    int receiveCalls = 0;
    int connectResult = 0;                      // what connect() answers
    std::string unresolvable = "nirgends";      // a host name the resolver does not know
    std::string resolvedAddress = "127.0.0.1";  // what every other name resolves to
    std::vector<std::pair<std::string, std::uint16_t>> connects;
    // Runs while connect() waits, as the real transport's nested loop does.
    std::function<void()> duringConnect;

    int open() override { return m_nextSocket++; }
    ResolveResult resolve(std::string_view host) override {
        if (host == unresolvable) return {11001, ""};
        return {0, resolvedAddress};
    }
    int connect(int, std::string_view address, std::uint16_t port) override {
        connects.emplace_back(std::string(address), port);
        if (duringConnect) duringConnect();
        return connectResult;
    }
    long send(int socket, std::string_view bytes) override {
        m_sent[socket].append(bytes);
        return static_cast<long>(bytes.size());
    }
    long receive(int socket, std::span<char> buffer) override {
        ++receiveCalls;
        auto it = m_incoming.find(socket);
        if (it == m_incoming.end() || it->second.empty()) return 0;
        std::string& chunk = it->second.front();
        const std::size_t n = std::min(chunk.size(), buffer.size());
        std::copy_n(chunk.begin(), n, buffer.begin());
        chunk.erase(0, n);
        if (chunk.empty()) it->second.pop_front();
        return static_cast<long>(n);
    }
    void close(int socket) override { m_closed[socket] = true; }

private:
    std::map<int, std::deque<std::string>> m_incoming;
    std::map<int, std::string> m_sent;
    std::map<int, bool> m_closed;
    int m_nextSocket = 100;
};

class FakeDesktop : public Desktop {
public:
    struct Box {
        std::string text;
        std::string caption;
    };
    std::vector<Box> boxes;
    std::vector<Dialog> dialogs;
    std::string title;
    int toFront = 0;
    bool foreground = true;
    std::vector<std::string> sounds;  // played files and system sounds, in order
    struct Notification {
        std::string title;
        std::string body;
        int sessionId = 0;
    };
    std::vector<Notification> notifications;
    int soundStops = 0;
    std::string clipboard;
    MessageBoxAnswer answer = MessageBoxAnswer::Ok;
    // Runs while a dialog is "open", to deliver socket events in its nested loop.
    std::function<int(Dialog)> onDialog;
    // Runs while a message box is "open": its loop delivers socket events too.
    std::function<void(const Box&)> onMessageBox;

    MessageBoxAnswer messageBox(std::string_view text, std::string_view caption, MessageBoxStyle) override {
        boxes.push_back({std::string(text), std::string(caption)});
        if (onMessageBox) {
            const Box box = boxes.back();  // the hook may open further boxes
            onMessageBox(box);
        }
        return answer;
    }
    int runDialog(Dialog dialog) override {
        dialogs.push_back(dialog);
        return onDialog ? onDialog(dialog) : 1;
    }
    void focusInputLine() override {}
    void setTitle(std::string_view t) override { title = t; }
    void bringToFront() override { ++toFront; }
    bool isForeground() const override { return foreground; }
    void setClipboardText(std::string_view text) override { clipboard = text; }
    std::string clipboardText() const override { return clipboard; }
    void playSound(const std::string& path) override { sounds.push_back(path); }
    void stopSound() override { ++soundStops; }
    void playSystemSound(std::string_view name) override { sounds.emplace_back(name); }
    void notify(std::string_view heading, std::string_view body, int sessionId) override {
        notifications.push_back({std::string(heading), std::string(body), sessionId});
    }
};

class FakeClock : public Clock {
public:
    LocalTime time{2002, 2, 3, 9, 5, 7};
    long long steady = 0;  // milliseconds, moved on by the tests
    LocalTime now() const override { return time; }
    long long steadyMilliseconds() const override { return steady; }
};

}  // namespace tavik::test
