// The test modes (floods and faults), scripts, the record, the bots, signals and
// the command line.
#include <gtest/gtest.h>
#include <signal.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <regex>
#include <thread>

#include "ServerHarness.h"

namespace tavik::servertest {
namespace {

using Clock = std::chrono::steady_clock;

TEST(Modes, FloodDeliversEveryLineInOrderAndTheChatGoesOn) {
    constexpr int kLines = 3000;
    ServerProcess server({"--no-bots", "--flood", std::to_string(kLines)});
    ChatClient client(server.port());
    ASSERT_TRUE(client.login("Gast"));
    const std::string tail = " von " + std::to_string(kLines) + ": ";
    ASSERT_TRUE(client.readUntil(
        [&](const std::string& raw) { return raw.find("Zeile 3000" + tail) != std::string::npos; }, 15000ms));
    client.send("/s\r");
    auto lines = client.linesThrough("/s", 10000ms);
    ASSERT_TRUE(lines);
    int expected = 1;
    std::size_t forms[4] = {};
    for (const auto& line : *lines) {
        auto at = line.find("Zeile ");
        if (at == std::string::npos || line.find(tail) == std::string::npos) continue;
        EXPECT_EQ(std::stoi(line.substr(at + 6)), expected) << line;
        ++expected;
        forms[0] += line.starts_with("<*");
        forms[1] += line.starts_with("<") && !line.starts_with("<*");
        forms[2] += line.starts_with("--> ");
        forms[3] += line.starts_with(">>> ");
    }
    EXPECT_EQ(expected, kLines + 1);
    for (std::size_t count : forms)
        EXPECT_GT(count, 0u) << "the flood mixes the line forms";
    EXPECT_TRUE(client.nextFrame()) << "the list still follows the echo";
}

TEST(Modes, DripSendsByteByByte) {
    ServerProcess server({"--no-bots", "--drip"});
    ChatClient client(server.port());
    ASSERT_TRUE(client.waitPrompt(10000ms));
    EXPECT_GT(client.reads(), kPrompt.size() / 2) << "bytes arrive one by one, not as one block";
    ASSERT_TRUE(client.login("Gast"));
    client.send("/S\r");
    ASSERT_TRUE(client.expectLine("/S", 10000ms));
    auto frame = client.nextFrame(10000ms);
    ASSERT_TRUE(frame);
    auto list = readChatterList(*frame);
    ASSERT_TRUE(list);
    EXPECT_EQ(*list, (std::vector<ListedChannel>{{"Lobby", false, {"Gast"}}}));
}

TEST(Modes, EndingsAfterLogin) {
    struct Case {
        std::string option;
        int error;                   // errno the reader sees at the end; 0: orderly close
        std::string unfinishedTail;  // plain text after the last line feed
    };
    const Case cases[] = {
        {"--close-mid-line", 0, "<Anna> Diese Zeile bricht mit"},
        {"--reset", ECONNRESET, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.option);
        ServerProcess server({"--no-bots", c.option});
        ChatClient client(server.port());
        ASSERT_TRUE(client.login("Gast"));
        int error = -1;
        ASSERT_TRUE(client.waitClosed(error));
        EXPECT_EQ(error, c.error);
        std::string plain = client.plain();
        EXPECT_EQ(plain.substr(plain.rfind('\n') + 1), c.unfinishedTail);
    }
}

TEST(Modes, LongLineHasNoLineEndUntilTheNextLine) {
    constexpr std::size_t kBytes = 100000;
    ServerProcess server({"--no-bots", "--long-line", std::to_string(kBytes)});
    ChatClient client(server.port());
    ASSERT_TRUE(client.login("Gast"));
    ASSERT_TRUE(
        client.readUntil([](const std::string& raw) { return raw.find("<Anna> bla") != std::string::npos; }));
    std::size_t start = client.raw().find("<Anna> bla");
    ASSERT_TRUE(
        client.readUntil([&](const std::string& raw) { return raw.size() >= start + kBytes; }, 10000ms));
    EXPECT_EQ(client.raw().find('\n', start), std::string::npos);
    // The server carries on; its next line completes the long one.
    client.send("/s\r");
    auto joined = client.nextLine([](const std::string& l) { return l.ends_with("/s"); });
    ASSERT_TRUE(joined);
    EXPECT_EQ(joined->size(), kBytes + 2);
    EXPECT_TRUE(joined->starts_with("<Anna> bla bla"));
}

TEST(Modes, NulBytesAndGarbageLeaveTheServerWorking) {
    struct Case {
        std::string option;
        std::string lastLine;
    };
    const Case cases[] = {
        {"--nul", ">>> Ende der NUL-Zeilen."},
        {"--garbage",
         ">>> Ende des Datenm\xFCll"
         "s."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.option);
        ServerProcess server({"--no-bots", "--seed", "7", c.option});
        ChatClient client(server.port());
        ASSERT_TRUE(client.login("Gast"));
        ASSERT_TRUE(client.expectLine(c.lastLine));
        EXPECT_NE(client.raw().find('\0'), std::string::npos);
        ChatClient second(server.port());
        ASSERT_TRUE(second.login("Zweiter"));
        second.send("Noch da?\r");
        EXPECT_TRUE(client.expectLine("<Zweiter> Noch da?"));
    }
}

TEST(Modes, DelayAcceptHoldsThePrompt) {
    ServerProcess server({"--no-bots", "--delay-accept", "400"});
    auto start = Clock::now();
    ChatClient client(server.port());
    ASSERT_TRUE(client.waitPrompt());
    EXPECT_GE(Clock::now() - start, 350ms);
}

TEST(Modes, ScriptIsReplayedAndWaitsForTheExpectedLine) {
    std::string script = tempPath("script.txt");
    {
        std::ofstream out(script, std::ios::binary);
        out << "%# a short conversation\n"
               "Willkommen im Skript\n"
               "%prompt Gib Deinen Namen ein (oder /Show, /Exit, /Help): \n"
               "%expect Gast\n"
               "Gast\n"
               "\\e[1m<Anna>\\e[0m Hallo Gast, gr\\xFC\\xDF dich\n"
               "%wait 50\n"
               "--> Anna geht.\n"
               "%close\n"
               "Dies kommt nie an.\n";
    }
    ServerProcess server({"--script", script});
    ChatClient client(server.port());
    ASSERT_TRUE(client.waitPrompt());
    client.send("Falsch\r");
    client.send("Gast\r");
    EXPECT_TRUE(client.expectLine(std::string(kPrompt) + "Gast"));
    EXPECT_TRUE(client.expectLine("<Anna> Hallo Gast, gr\xFC\xDF dich"));
    EXPECT_TRUE(client.expectLine("--> Anna geht."));
    int error = -1;
    EXPECT_TRUE(client.waitClosed(error));
    EXPECT_EQ(client.plain().find("nie an"), std::string::npos);
    std::remove(script.c_str());
}

TEST(Modes, RecordKeepsWhatEachClientSent) {
    std::string record = tempPath("record.txt");
    {
        ServerProcess server({"--no-bots", "--record", record});
        {
            ChatClient client(server.port());
            ASSERT_TRUE(client.login("Gast"));
            client.send("Hallo\n\r");
            client.send("/w Gast mit \xFC\r\n");
            client.send("/e\r");
            int error = -1;
            ASSERT_TRUE(client.waitClosed(error));
        }
        auto deadline = Clock::now() + kWait;
        while (readFile(record).find("1 # closed") == std::string::npos && Clock::now() < deadline)
            std::this_thread::sleep_for(10ms);
    }
    std::string text = readFile(record);
    const char* expected[] = {
        "1 # connected from 127.0.0.1:",
        "1 < Gast\\r\n",
        "1 # logged in as Gast\n",
        "1 < Hallo\\n\\r\n",
        "1 < /w Gast mit \\xFC\\r\\n\n",
        "1 < /e\\r\n",
        "1 # closed\n",
    };
    std::size_t at = 0;
    for (const char* entry : expected) {
        auto found = text.find(entry, at);
        EXPECT_NE(found, std::string::npos) << entry << " in order in\n" << text;
        if (found != std::string::npos) at = found;
    }
    std::remove(record.c_str());
}

TEST(Modes, BotsProduceEveryLineFormAndAnswerWhispers) {
    ServerProcess server({"--bots", "4", "--bot-interval", "40", "--seed", "3"});
    ChatClient client(server.port());
    ASSERT_TRUE(client.login("Gast"));
    const std::pair<std::string, std::regex> forms[] = {
        {"public", std::regex("^<[^*>][^>]*> .+")},
        {"whisper", std::regex("^<\\*[^*]+\\*> .+")},
        {"event", std::regex("^--> \\S+ .+")},
        {"rename", std::regex("^>-> \\S+ wird zu \\S+\\.$")},
        {"notice", std::regex("^>>> .+")},
        {"channel change", std::regex("^--> \\S+ (geht in den|kommt aus dem) Channel \\S+\\.$")},
    };
    for (const auto& [name, pattern] : forms) {
        EXPECT_TRUE(
            client.nextLine([&](const std::string& l) { return std::regex_match(l, pattern); }, 20000ms))
            << name;
    }
    // Find a bot through the list and ask it something. Bots come, go and rename
    // themselves quickly here, so the one we picked may be gone: then ask again.
    bool answered = false;
    for (int attempt = 0; attempt < 10 && !answered; ++attempt) {
        client.send("/S\r");
        ASSERT_TRUE(client.expectLine("/S"));
        auto frame = client.nextFrame();
        ASSERT_TRUE(frame);
        auto list = readChatterList(*frame);
        ASSERT_TRUE(list);
        std::string bot;
        for (const auto& channel : *list) {
            for (const auto& name : channel.names) {
                if (name != "Gast" && bot.empty()) bot = name.substr(0, name.find(' '));
            }
        }
        ASSERT_FALSE(bot.empty());
        client.send("/w " + bot + " Wie geht's?\r");
        answered =
            client.nextLine([](const std::string& l) { return l.ends_with("gute Frage, Gast!"); }, 1000ms)
                .has_value();
    }
    EXPECT_TRUE(answered);
}

TEST(Modes, ControlMovesChattersWithoutAConnectionWhenTheTestSays) {
    ServerProcess server({"--no-bots", "--control"});
    ChatClient client(server.port());
    ASSERT_TRUE(client.login("Gast"));
    server.control("enter Robo");
    EXPECT_TRUE(client.expectLine("--> Robo kommt in den Chat."));
    server.control("enter Susi Garten");
    // Complaints go to standard error and change nothing: Gast is connected, Robo is in.
    server.control("as Gast Hallo");
    server.control("enter Robo");
    server.control("bogus Robo");
    server.control("as Robo /w Gast Psst\r");
    server.control("as Robo Hallo zusammen");
    EXPECT_TRUE(client.expectLine("<*Robo*> Psst"));
    EXPECT_TRUE(client.expectLine("<Robo> Hallo zusammen"));
    client.send("/s\r");
    auto frame = client.nextFrame();
    ASSERT_TRUE(frame);
    EXPECT_EQ(readChatterList(*frame),
              (std::vector<ListedChannel>{{"Lobby", false, {"Gast", "Robo"}}, {"Garten", false, {"Susi"}}}));
    client.send("/w Susi Hallo\r");
    EXPECT_TRUE(client.expectLine("/w Susi Hallo")) << "a whisper finds them like any chatter";
    server.control("leave Robo");
    EXPECT_TRUE(client.expectLine("--> Robo hat den Chat verlassen."));
    EXPECT_EQ(client.plain().find("<Gast> Hallo"), std::string::npos);
}

TEST(Modes, TermSignalEndsTheServerCleanly) {
    ServerProcess server({"--no-bots"});
    ChatClient client(server.port());
    ASSERT_TRUE(client.login("Gast"));
    EXPECT_EQ(server.stop(), 0);
    EXPECT_TRUE(client.expectLine(">>> Der Server wird beendet. Bis zum naechsten Mal!"));
    int error = -1;
    EXPECT_TRUE(client.waitClosed(error));
}

TEST(Modes, CommandLine) {
    struct Case {
        std::string args;
        int status;
        std::string says;
    };
    const Case cases[] = {
        {"--help", 0, "--flood N"},
        {"--bogus", 2, "unknown option --bogus"},
        {"--port 70000", 2, "--port needs"},
        {"--script /nonexistent/file --port 0", 1, "cannot read script"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        std::string command = std::string(TAVIK_SERVER_BINARY) + " " + c.args + " 2>&1";
        FILE* pipe = ::popen(command.c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        std::string output;
        char buffer[512];
        while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
            output.append(buffer, n);
        int status = ::pclose(pipe);
        EXPECT_EQ(WEXITSTATUS(status), c.status);
        EXPECT_NE(output.find(c.says), std::string::npos) << output;
    }
}

}  // namespace
}  // namespace tavik::servertest
