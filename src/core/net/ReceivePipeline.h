#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "net/LineClassifier.h"
#include "net/LineKind.h"

namespace tavik {

class Client;
struct Session;

// Turns a session's socket bytes into complete, cleaned lines, has each one
// classified, and hands the rows to the away reply and the message view. The
// line being classified lives in the frame of each readLoop call: the Login
// dialog's nested loop can enter readLoop again before an outer call is done.
class ReceivePipeline {
public:
    // A partial line (254) joined with a full receive (254), plus room to spare.
    static constexpr std::size_t LineCapacity = 512;
    using LineBuffer = std::array<char, LineCapacity>;
    // Receives per readLoop call; the rest waits for the next read event, so a
    // flooding server cannot keep the event loop from painting and taking input.
    static constexpr int MaxReceivesPerLoop = 256;

    explicit ReceivePipeline(Client& client) : m_client(client), m_classifier(client) {}

    void readLoop(int socket);
    // A transport that hands a socket's waiting bytes over in several readLoop
    // calls in a row may bracket them as one read event: the rows logged
    // meanwhile share one open of the log file. Each readLoop call is a read
    // event by itself; nothing between the calls may run a loop.
    void beginReadEvent();
    void endReadEvent();
    // Produces at most one line; `receivesLeft` is the caller's receive budget.
    ServerLine nextServerLine(int socket, LineBuffer& line, int& receivesLeft);
    // Takes the first complete line of the session's bytes into `line`.
    bool takeLine(Session& session, LineBuffer& line, std::size_t& length);
    // Writes prefix + text, cleaned, into the session's in-progress row.
    void showInProgress(int socket, std::string_view text, std::string_view prefix);

private:
    void readLines(int socket);
    void showInProgress(Session& session, std::string_view text, std::string_view prefix);

    Client& m_client;
    LineClassifier m_classifier;
    std::string m_progress;
};

}  // namespace tavik
