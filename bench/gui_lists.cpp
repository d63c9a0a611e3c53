// The real window (offscreen) taking in keep-alive chatter lists of a big
// chat, fed from memory in read batches as the window's transport hands a
// busy socket over (one read event per pass of the event loop, a few
// milliseconds of reading each). Reports per list the time from its first
// byte to the window having shown it, and the longest pass of the event loop
// (one read batch with everything the window then does, layout and painting
// included), for two shapes:
//
//   channels  N channels of one chatter each, the tree's channels open
//   names     N chatters in one channel, with the Tab completion's names list
//             shown in place of the tree
//
//   ./build/release/bench/gui_lists [channels N] [names N]   (default: both, 10000 and 20000)

#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QTreeView>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

#include "MainWindow.h"
#include "app/Client.h"

namespace {

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

// `channels` channels of one chatter each; `shift` changes which chatters
// and channels are listed, so consecutive lists differ in about one in ten.
std::string manyChannels(int channels, int shift) {
    std::string body;
    for (int i = 0; i < channels; ++i) {
        const int n = i % 10 == 0 ? i + shift : i;
        body += "| N" + std::to_string(n) + "      C" + std::to_string(n) + "    \r\n";
    }
    return frame(body);
}

// One channel of `chatters` chatters, 10 to a line as the server writes them.
std::string oneChannel(int chatters, int shift) {
    std::string body;
    std::string line = "| ";
    for (int i = 0; i < chatters; ++i) {
        line += "Chatter" + std::to_string(i % 10 == 0 ? i + shift : i);
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

struct ListRun {
    double ms = 0;      // first byte to shown
    qint64 passMs = 0;  // longest pass of the event loop
};

// Serves one list as read batches of at most 8 ms each, every batch one pass
// of the event loop followed by what the window does with it.
ListRun serve(tavik::Client& client, ListTransport& transport, const std::string& list) {
    constexpr qint64 ReadBatchMs = 8;
    transport.load(list);
    ListRun run;
    QElapsedTimer total;
    total.start();
    while (!transport.drained()) {
        QElapsedTimer pass;
        pass.start();
        client.receiver().beginReadEvent();
        while (!transport.drained() && pass.elapsed() < ReadBatchMs)
            client.socketEvent(1, tavik::SocketEvent::Read, 0);
        client.receiver().endReadEvent();
        // Layout and painting, as the event loop does them before the next read.
        QApplication::processEvents();
        QApplication::processEvents();
        run.passMs = std::max(run.passMs, pass.elapsed());
    }
    run.ms = static_cast<double>(total.nsecsElapsed()) / 1e6;
    return run;
}

int runShape(const char* shape, int n) {
    const auto dir = std::filesystem::temp_directory_path() / "tavik-gui-lists";
    std::filesystem::create_directories(dir);
    ListTransport transport;
    QuietDesktop desktop;
    FixedClock clock;
    tavik::Client client(transport, desktop, clock, dir);
    client.settings().sound = false;
    client.settings().logfile = false;
    tavik::gui::MainWindow window(client, nullptr);
    window.resize(900, 600);
    window.show();
    QApplication::processEvents();
    client.attachSession(1, "brenn-chat", "Gast");
    const bool names = std::strcmp(shape, "names") == 0;
    const auto list = [&](int shift) { return names ? oneChannel(n, shift) : manyChannels(n, shift); };

    const ListRun first = serve(client, transport, list(0));
    if (names) {
        // Tab after a "C" opens the completion over the names of the list.
        client.inputLine().setText("C");
        client.inputLine().setSelection(1, 1);
        window.dispatch(tavik::Command::CompleteName);
        QApplication::processEvents();
        if (!client.completionOpen() || !window.namesListBox()->isVisible()) {
            std::fprintf(stderr, "the completion did not open\n");
            return 1;
        }
    }
    std::printf("%-8s %6d  first list %9.1f ms, longest pass %5lld ms\n", shape, n, first.ms,
                static_cast<long long>(first.passMs));
    constexpr int Lists = 5;
    double worstMs = 0;
    qint64 worstPass = 0;
    double sumMs = 0;
    for (int i = 1; i <= Lists; ++i) {
        const ListRun r = serve(client, transport, list(i));
        worstMs = std::max(worstMs, r.ms);
        worstPass = std::max(worstPass, r.passMs);
        sumMs += r.ms;
    }
    std::printf("%-8s %6d  keep-alive lists: mean %7.1f ms, slowest %7.1f ms, longest pass %5lld ms\n", shape,
                n, sumMs / Lists, worstMs, static_cast<long long>(worstPass));
    // What the window shows must be the engine's last list.
    const int shownRows =
        names ? window.namesListBox()->count()
              : window.chatterTree()->model()->rowCount(window.chatterTree()->model()->index(0, 0));
    const auto expected =
        names ? client.namesList().size()
              : client.chatterTree().model().children(client.chatterTree().model().topLevel()[0]).size();
    if (shownRows != static_cast<int>(expected)) {
        std::fprintf(stderr, "the window shows %d rows, the engine has %zu\n", shownRows, expected);
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    int rc = 0;
    if (argc < 3) {
        rc |= runShape("channels", 10000);
        rc |= runShape("names", 20000);
        return rc;
    }
    for (int i = 1; i + 1 < argc; i += 2)
        rc |= runShape(argv[i], std::atoi(argv[i + 1]));
    return rc;
}
