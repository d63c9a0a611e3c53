// Drives the whole receive path of two interleaved sessions with arbitrary
// bytes in arbitrary chunks: socket reads, closes and new connections, and the
// Login dialog whose nested event loop delivers more bytes and re-enters
// readLoop while the outer call is still classifying a line.
//
// Input format, a sequence of records until the input runs out:
//   control byte c: session = c & 1, op = c >> 1
//     op   0..99   length byte n, then n bytes: one chunk for the session, then read events
//     op 100..111  length byte n, then n bytes: one chunk queued, no read event yet
//     op 112..117  read events only
//   Read events repeat while the transport holds bytes for the socket, as the
//   socket layer keeps posting them.
//     op 118..121  the server closes the connection (close event)
//     op 122..125  a new connection for the session, if it has none
//                  (op 125: the other session's chat name, i.e. two nicks in one chat)
//     op 126..127  the session's next receive fails
//   While the Login dialog is open, it runs (next byte % 8) + 1 records of the
//   same input in its nested loop.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <map>
#include <set>
#include <string>
#include <string_view>

#include "FuzzInput.h"
#include "app/Client.h"

namespace {

using namespace tavik;

[[noreturn]] void violated(const char* what) {
    std::fprintf(stderr, "invariant violated: %s\n", what);
    std::abort();
}

using fuzz::Input;

class FuzzTransport : public Transport {
public:
    void feed(int socket, std::string_view bytes) { m_incoming[socket].emplace_back(bytes); }
    void failNext(int socket) { m_failing.insert(socket); }
    bool pending(int socket) const {
        const auto it = m_incoming.find(socket);
        return it != m_incoming.end() && !it->second.empty();
    }
    void forget(int socket) {
        m_incoming.erase(socket);
        m_failing.erase(socket);
    }

    int open() override { return NoSocket; }
    ResolveResult resolve(std::string_view) override { return {0, "127.0.0.1"}; }
    int connect(int, std::string_view, std::uint16_t) override { return 0; }
    long send(int, std::string_view bytes) override { return static_cast<long>(bytes.size()); }
    long receive(int socket, std::span<char> buffer) override {
        if (m_failing.erase(socket) != 0) return -1;
        auto it = m_incoming.find(socket);
        if (it == m_incoming.end() || it->second.empty()) return 0;
        std::string& chunk = it->second.front();
        const std::size_t n = std::min(chunk.size(), buffer.size());
        std::copy_n(chunk.begin(), n, buffer.begin());
        chunk.erase(0, n);
        if (chunk.empty()) it->second.pop_front();
        return static_cast<long>(n);
    }
    void close(int socket) override { forget(socket); }

private:
    std::map<int, std::deque<std::string>> m_incoming;
    std::set<int> m_failing;
};

class FixedClock : public Clock {
public:
    LocalTime now() const override { return {2002, 2, 3, 9, 5, 7}; }
};

class Harness;

class FuzzDesktop : public Desktop {
public:
    explicit FuzzDesktop(Harness& harness) : m_harness(harness) {}

    MessageBoxAnswer messageBox(std::string_view, std::string_view, MessageBoxStyle) override {
        return MessageBoxAnswer::Ok;
    }
    int runDialog(Dialog dialog) override;
    void focusInputLine() override {}
    void setTitle(std::string_view) override {}
    void bringToFront() override {}
    bool isForeground() const override { return false; }
    void setClipboardText(std::string_view) override {}
    std::string clipboardText() const override { return {}; }
    void playSound(const std::string&) override {}
    void stopSound() override {}
    void playSystemSound(std::string_view) override {}

private:
    Harness& m_harness;
};

class Harness {
public:
    static constexpr int MaxDialogDepth = 3;
    static constexpr int MaxReadEvents = 256;

    Harness(const std::uint8_t* data, std::size_t size)
        : m_input(data, size), m_desktop(*this), m_client(m_transport, m_desktop, m_clock, "/nonexistent") {
        m_client.settings().sound = true;  // the side effects of a row run too (nothing plays here)
        attach(0, ChatNames[0]);
        attach(1, ChatNames[1]);
        check();
    }

    void run() {
        while (!m_input.done())
            step();
    }

    int dialog(Dialog dialog) {
        if (dialog != Dialog::Login || m_dialogDepth >= MaxDialogDepth) return 1;
        ++m_dialogDepth;
        const int records = m_input.byte() % 8 + 1;
        for (int i = 0; i < records && !m_input.done(); ++i)
            step();
        --m_dialogDepth;
        return 1;
    }

private:
    static constexpr std::array<std::string_view, 2> ChatNames = {"Brenn-Chat", "Zweiter Chat"};
    static constexpr std::array<std::string_view, 2> Nicks = {"Tester", "Gast"};

    struct Slot {
        int socket = NoSocket;
        std::string chatName;
    };

    void attach(int s, std::string_view chatName) {
        Slot& slot = m_slots[static_cast<std::size_t>(s)];
        if (slot.socket != NoSocket) return;
        slot.socket = m_nextSocket++;
        slot.chatName.assign(chatName);
        if (m_client.attachSession(slot.socket, chatName, Nicks[static_cast<std::size_t>(s)]) == nullptr) {
            violated("attachSession made no session");
        }
    }

    void step() {
        const std::uint8_t control = m_input.byte();
        const int s = control & 1;
        const int op = control >> 1;
        Slot& slot = m_slots[static_cast<std::size_t>(s)];
        const int socket = slot.socket;
        if (op < 112) {
            const std::string_view chunk = m_input.take(m_input.byte());
            if (socket != NoSocket) {
                m_transport.feed(socket, chunk);
                if (op < 100) readEvents(socket);
            }
        } else if (op < 118) {
            if (socket != NoSocket) readEvents(socket);
        } else if (op < 122) {
            if (socket != NoSocket) {
                m_client.socketEvent(socket, SocketEvent::Close, 0);
                m_transport.forget(socket);
                // A dialog's nested loop may have connected the slot anew meanwhile.
                if (slot.socket == socket) slot.socket = NoSocket;
            }
        } else if (op < 126) {
            const Slot& other = m_slots[static_cast<std::size_t>(1 - s)];
            const std::string_view chatName =
                op == 125 && !other.chatName.empty() ? std::string_view(other.chatName) : ChatNames[s];
            attach(s, chatName);
        } else if (socket != NoSocket) {
            m_transport.failNext(socket);
        }
        check();
    }

    // Like the socket layer, posts another read event while bytes are waiting:
    // readLoop may return after one receive.
    void readEvents(int socket) {
        for (int i = 0; i < MaxReadEvents; ++i) {
            m_client.socketEvent(socket, SocketEvent::Read, 0);
            if (!m_transport.pending(socket) || m_client.sessions().findBySocket(socket) == nullptr) return;
        }
    }

    void check() {
        MessageView& view = m_client.messageView();
        const MessageRows& rows = view.rows();
        if (rows.count() != MessageView::MaxRows) violated("the message view does not hold exactly 500 rows");
        for (int i = 0; i < rows.count(); ++i) {
            if (rows.kind(i) == LineKind::InProgress) {
                // An in-progress row shows the partial line and the bytes after it.
                if (rows.cell(i, view.textColumn()).size() > 2 * Session::ReceiveSize) {
                    violated("in-progress row longer than two receives");
                }
            } else if (rows.cell(i, view.textColumn()).size() > MessageView::WrapWidth) {
                violated("row text longer than the wrap width");
            }
        }
        if (view.inProgressRows() > rows.count()) violated("more in-progress rows than rows");

        std::size_t sessions = 0;
        for (const Session& session : m_client.sessions()) {
            ++sessions;
            if (session.partialLine.size() > Session::ReceiveSize) violated("partial line beyond 254 bytes");
            // The kept, cleaned partial line is the raw one cleaned from the start.
            std::array<char, Session::ReceiveSize> cleaned{};
            LineStripper fresh(cleaned.data());
            fresh.take(session.partialLine.data(), std::min(session.partialLine.size(), cleaned.size()));
            if (std::string_view(cleaned.data(), fresh.length()) !=
                    std::string_view(session.partialCleaned.data(), session.partialCleanedLength) ||
                fresh.state() != session.partialState) {
                violated("kept partial line is not the raw one cleaned");
            }
            if (session.receiveBegin > session.receiveEnd || session.receiveEnd > Session::ReceiveSize) {
                violated("receive buffer bounds");
            }
            if (session.chatterNames.size() > Session::MaxNames) violated("chatter names beyond their bound");
            if (session.channels.size() > Session::MaxNames) violated("channels beyond their bound");
        }
        // Every live session holds at most its connection item and the per-session
        // limit of channels and chatters, and while a new list is read, what is
        // left of the last one.
        const std::size_t maxItems = sessions * 2 * (ChatterTree::MaxItemsPerSession + 1);
        if (m_client.chatterTree().model().size() > maxItems) violated("chatter tree beyond its bound");
        if (const char* broken = m_client.chatterTree().model().brokenInvariant()) violated(broken);
        // The names list box has one entry per chatter listed; it must not outgrow the tree's limit.
        if (m_client.namesList().size() > sessions * ChatterTree::MaxItemsPerSession) {
            violated("names list box beyond the chatters a session can list");
        }
    }

    Input m_input;
    FuzzTransport m_transport;
    FuzzDesktop m_desktop;
    FixedClock m_clock;
    Client m_client;
    std::array<Slot, 2> m_slots;
    int m_nextSocket = 100;
    int m_dialogDepth = 0;
};

int FuzzDesktop::runDialog(Dialog dialog) {
    return m_harness.dialog(dialog);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Harness harness(data, size);
    harness.run();
    return 0;
}
