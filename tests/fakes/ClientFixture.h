#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/Client.h"
#include "fakes/Fakes.h"

namespace tavik::test {

// The server's answer to a list request: the echo and the chatter list framed
// by three '+' lines, one "|" line per entry of `channelLines`.
inline std::string framedList(const std::string& echo, const std::vector<std::string>& channelLines) {
    std::string s = echo + "\r\n+------------------------------+\r\n";
    s += "| \x1b[1mChatter und Chatterinnen\x1b[0m im Brenn-Chat:        \r\n";
    s += "+------------------------------+\r\n";
    for (const std::string& l : channelLines)
        s += l + "\r\n";
    s += "+------------------------------+\r\n";
    return s;
}
inline std::string framedList(const std::vector<std::string>& channelLines) {
    return framedList("/s", channelLines);
}

// A one-channel list of `chat` with `names` in the Lobby.
inline std::string listOf(const std::string& chat, const std::string& names) {
    return "/s\r\n+---+\r\n| Chatter und Chatterinnen im " + chat + ":  \r\n+---+\r\n| " + names +
           "      Lobby    \r\n+---+\r\n";
}

// A temporary working directory, removed again at the end of the test.
class TempDir {
public:
    TempDir() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string leaf = "tavik-";
        leaf += info != nullptr ? std::string(info->test_suite_name()) + "-" + info->name() : "test";
        m_path = std::filesystem::temp_directory_path() / leaf;
        std::filesystem::remove_all(m_path);
        std::filesystem::create_directories(m_path);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

// A client over fakes with quiet options: no sound, no log.
class ClientTest : public ::testing::Test {
protected:
    ClientTest() : client(transport, desktop, clock, dir.path()) {
        client.settings().sound = false;
        client.settings().logfile = false;
    }

    // A connected session as a successful connect leaves it.
    Session& connect(int socket, const std::string& chat = "brenn-chat", const std::string& nick = "Gast") {
        Session* s = client.attachSession(socket, chat, nick);
        EXPECT_NE(s, nullptr);
        return *s;
    }

    // Delivers bytes to a socket and runs the read event.
    void receive(int socket, const std::string& bytes) {
        transport.feed(socket, bytes);
        client.socketEvent(socket, SocketEvent::Read, 0);
    }

    const MessageRows& rows() { return client.messageView().rows(); }
    // Row `fromBottom` counted upward from the newest non-in-progress row (0 = newest).
    const MessageRow& lastRow(int fromBottom = 0) {
        return rows().row(rows().count() - 1 - client.messageView().inProgressRows() - fromBottom);
    }
    const std::string& inProgressText(int index = 0) {
        return rows().row(rows().count() - 1 - index).cells[1];
    }

    // Texts of the top-level tree items, their channels and chatters, as "chat/channel/chatter" lines.
    std::vector<std::string> treeLines() {
        std::vector<std::string> out;
        const ChatterTreeModel& m = client.chatterTree().model();
        for (const TreeItemId top : m.topLevel()) {
            out.push_back(m.item(top)->text);
            for (const TreeItemId channel : m.children(top)) {
                out.push_back(m.item(top)->text + "/" + m.item(channel)->text);
                for (const TreeItemId chatter : m.children(channel)) {
                    out.push_back(m.item(top)->text + "/" + m.item(channel)->text + "/" +
                                  m.item(chatter)->text);
                }
            }
        }
        return out;
    }

    TempDir dir;
    FakeTransport transport;
    FakeDesktop desktop;
    FakeClock clock;
    Client client;
};

}  // namespace tavik::test
