// Engine time of one chatter list, by its shape: many channels with one
// chatter each, and one channel with many chatters. A list should cost time
// in proportion to its lines, whatever its shape.

#include <benchmark/benchmark.h>

#include <span>
#include <string>
#include <string_view>

#include "app/Client.h"

namespace {

// A transport that hands one prepared stream out again on every receive.
class ListTransport : public tavik::Transport {
public:
    void load(std::string bytes) {
        m_bytes = std::move(bytes);
        m_at = 0;
    }
    int open() override { return 1; }
    tavik::ResolveResult resolve(std::string_view) override { return {0, "127.0.0.1"}; }
    int connect(int, std::string_view, std::uint16_t) override { return 0; }
    long send(int, std::string_view bytes) override { return static_cast<long>(bytes.size()); }
    long receive(int, std::span<char> buffer) override {
        const std::size_t n = std::min(buffer.size(), m_bytes.size() - m_at);
        std::copy_n(m_bytes.data() + m_at, n, buffer.data());
        m_at += n;
        return static_cast<long>(n);
    }
    void close(int) override {}
    bool drained() const { return m_at == m_bytes.size(); }

private:
    std::string m_bytes;
    std::size_t m_at = 0;
};

class QuietDesktop : public tavik::Desktop {
public:
    tavik::MessageBoxAnswer messageBox(std::string_view, std::string_view, tavik::MessageBoxStyle) override {
        return tavik::MessageBoxAnswer::Ok;
    }
    int runDialog(tavik::Dialog) override { return 2; }
    void focusInputLine() override {}
    void setTitle(std::string_view) override {}
    void bringToFront() override {}
    bool isForeground() const override { return true; }
    void setClipboardText(std::string_view) override {}
    std::string clipboardText() const override { return {}; }
    void playSound(const std::string&) override {}
    void stopSound() override {}
    void playSystemSound(std::string_view) override {}
};

class FixedClock : public tavik::Clock {
public:
    tavik::LocalTime now() const override { return {2002, 2, 3, 9, 5, 7}; }
};

std::string frame(const std::string& body) {
    return "/s\r\n+-----+\r\n| Chatter und Chatterinnen im Brenn-Chat:\r\n+-----+\r\n" + body + "+-----+\r\n";
}

// `channels` channels of one chatter each.
std::string manyChannels(int channels) {
    std::string body;
    for (int i = 0; i < channels; ++i)
        body += "| N" + std::to_string(i) + "      C" + std::to_string(i) + "    \r\n";
    return frame(body);
}

// One channel of `chatters` chatters, 10 to a line as the server writes them.
std::string oneChannel(int chatters) {
    std::string body;
    std::string line = "| ";
    for (int i = 0; i < chatters; ++i) {
        line += "Chatter" + std::to_string(i);
        if (i + 1 == chatters) {
            body += line + "      Lobby    \r\n";
        } else if (i % 10 == 9) {
            body += line + ",\r\n";
            line = "| ";
        } else {
            line += ", ";
        }
    }
    return frame(body);
}

void runList(benchmark::State& state, const std::string& list) {
    ListTransport transport;
    QuietDesktop desktop;
    FixedClock clock;
    tavik::Client client(transport, desktop, clock, "/nonexistent");
    client.settings().sound = false;
    client.settings().logfile = false;
    client.attachSession(1, "brenn-chat", "Gast");
    for (auto _ : state) {
        transport.load(list);
        while (!transport.drained())
            client.socketEvent(1, tavik::SocketEvent::Read, 0);
    }
    state.counters["lines"] = static_cast<double>(std::count(list.begin(), list.end(), '\n'));
}

void BM_ManyChannels(benchmark::State& state) {
    runList(state, manyChannels(static_cast<int>(state.range(0))));
}
void BM_OneChannel(benchmark::State& state) {
    runList(state, oneChannel(static_cast<int>(state.range(0))));
}

}  // namespace

BENCHMARK(BM_ManyChannels)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OneChannel)->Arg(2000)->Arg(20000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
