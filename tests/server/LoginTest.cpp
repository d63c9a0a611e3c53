// The login dialog: the prompt, name checks and the commands the prompt takes.
#include <gtest/gtest.h>

#include "ServerHarness.h"

namespace tavik::servertest {
namespace {

const std::string kBadChars = ">>> Ungueltige Zeichen im Namen.";
const std::string kBadLength = ">>> ### ERROR: ungueltige Zeichen im Namen ###";
const std::string kInUse = ">>> Dieser Name wird bereits benutzt. Bitte gib einen anderen Namen ein.";

TEST(Login, PromptEndsTheBannerWithoutLineEnd) {
    ServerProcess server({"--no-bots"});
    ChatClient client(server.port());
    ASSERT_TRUE(client.waitPrompt());
    EXPECT_TRUE(client.raw().ends_with(std::string(kPrompt)));
    EXPECT_TRUE(client.raw().ends_with("): ")) << "the prompt is plain text";
}

TEST(Login, RejectedNamesGetTheirErrorLineAndThePromptAgain) {
    ServerProcess server({"--no-bots"});
    ChatClient holder(server.port());
    ASSERT_TRUE(holder.login("Gast"));

    struct Case {
        std::string nick;
        std::string error;
    };
    const Case cases[] = {
        {"G\xE4st", kBadChars},    // umlauts are no name characters
        {"Mit Blank", kBadChars},  //
        {"a,b", kBadChars},        //
        {"x@y", kBadChars},        //
        {"Pipe|x", kBadChars},     //
        {"ab(c)", kBadChars},      //
        {"Tilde~", kBadChars},     //
        {"/komisch", kBadChars},   // only the prompt commands may start with "/"
        {std::string(21, 'x'), kBadLength},
        {"Gast", kInUse},
        {"gAST", kInUse},  // names are compared without case
    };
    ChatClient client(server.port());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.nick);
        ASSERT_TRUE(client.waitPrompt());
        client.send(c.nick + "\r");
        // The echo of what was typed completes the prompt's line.
        EXPECT_TRUE(client.expectLine(std::string(kPrompt) + c.nick));
        EXPECT_TRUE(client.expectLine(c.error));
    }
    // Names up to 20 characters, "ç" included, are fine.
    EXPECT_TRUE(client.login("Fran\xE7ois_1234567890a"));
}

TEST(Login, PromptAnswersShowHelpAndExit) {
    ServerProcess server({"--no-bots"});
    ChatClient other(server.port());
    ASSERT_TRUE(other.login("Dritter"));

    ChatClient client(server.port());
    for (std::string show : {"/s", "/S"}) {
        SCOPED_TRACE(show);
        ASSERT_TRUE(client.waitPrompt());
        client.send(show + "\r");
        ASSERT_TRUE(client.expectLine(std::string(kPrompt) + show));
        auto frame = client.nextFrame();
        ASSERT_TRUE(frame);
        auto list = readChatterList(*frame);
        ASSERT_TRUE(list);
        EXPECT_EQ(*list, (std::vector<ListedChannel>{{"Lobby", false, {"Dritter"}}}));
    }
    ASSERT_TRUE(client.waitPrompt());
    client.send("/h\r");
    ASSERT_TRUE(client.expectLine(std::string(kPrompt) + "/h"));
    EXPECT_TRUE(client.nextLine([](const std::string& l) { return l.starts_with("| /w Name Text"); }));
    ASSERT_TRUE(client.waitPrompt());

    client.send("/e\r");
    int error = -1;
    EXPECT_TRUE(client.waitClosed(error));
    EXPECT_EQ(error, 0) << "an orderly close, not a reset";
    EXPECT_TRUE(client.plain().find(std::string(kPrompt) + "/e\n") != std::string::npos);
}

TEST(Login, LookOnlySendsShowAndExitTogether) {
    // The client's "look only" button sends both commands in one go.
    ServerProcess server({"--no-bots"});
    ChatClient client(server.port());
    ASSERT_TRUE(client.waitPrompt());
    client.send("/S\r/e\r");
    int error = -1;
    ASSERT_TRUE(client.waitClosed(error));
    EXPECT_EQ(error, 0);
    EXPECT_TRUE(client.expectLine(std::string(kPrompt) + "/S"));
    EXPECT_TRUE(client.expectLine(std::string(kPrompt) + "/e"));
}

TEST(Login, EveryLineEndWorksAndEmptyLinesAreIgnored) {
    ServerProcess server({"--no-bots"});
    const std::pair<std::string, std::string> endings[] = {
        {"Cr", "\r"}, {"Lf", "\n"}, {"CrLf", "\r\n"}, {"LfCr", "\n\r"}};
    for (const auto& [name, end] : endings) {
        SCOPED_TRACE(name);
        ChatClient client(server.port());
        ASSERT_TRUE(client.waitPrompt());
        client.send("Nick" + name + end);
        ASSERT_TRUE(client.expectLine(">>> Willkommen im Brenn-Chat, Nick" + name + "!"));
        client.send("Hallo" + end + end + end + "/s" + end);
        auto said = client.nextLineStartingWith("<Nick" + name + ">");
        ASSERT_TRUE(said);
        EXPECT_EQ(*said, "<Nick" + name + "> Hallo");
        auto lines = client.linesThrough("/s");
        ASSERT_TRUE(lines);
        for (const auto& line : *lines) {
            EXPECT_FALSE(line.starts_with("<")) << "an empty line was taken as text: " << line;
            EXPECT_FALSE(line.starts_with(">>> Unbekannt")) << line;
        }
    }
}

}  // namespace
}  // namespace tavik::servertest
