#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "net/LineClassifier.h"
#include "net/LineKind.h"

namespace tavik {

struct Session;
class LineStripper;
class SessionList;
class Transport;

// Where the pipeline's rows go above the network layer (the away reply and the
// message view). The engine implements it. `deliverRow` may open a box whose
// nested loop ends sessions; the pipeline looks its session up again after.
class RowSink {
public:
    virtual ~RowSink() = default;
    // A classified line that makes a row.
    virtual void deliverRow(int socket, std::string_view name, std::string_view text, LineKind kind) = 0;
    // The unfinished line of a session, cleaned of escapes, for its in-progress row.
    virtual void showInProgress(Session& session, std::string_view cleaned) = 0;
    // A read event begins or ends (events inside events count as one): the
    // rows logged meanwhile share one open of the log file.
    virtual void beginReadEvent() = 0;
    virtual void endReadEvent() = 0;
};

// Turns a session's socket bytes into complete, cleaned lines, has each one
// classified, and hands the rows to the away reply and the message view. The
// line being classified lives in the frame of each readLoop call: the Login
// dialog's nested loop can enter readLoop again before an outer call is done.
class ReceivePipeline {
public:
    // A partial line (254) joined with a full receive (254), plus room to spare
    // for the stripper's last block.
    static constexpr std::size_t LineCapacity = 528;
    using LineBuffer = std::array<char, LineCapacity>;
    // Receives per readLoop call; the rest waits for the next read event, so a
    // flooding server cannot keep the event loop from painting and taking input.
    static constexpr int MaxReceivesPerLoop = 256;

    ReceivePipeline(SessionList& sessions, Transport& transport, ChatterListSink& lists, RowSink& rows)
        : m_sessions(sessions), m_transport(transport), m_rows(rows), m_classifier(sessions, lists) {}

    void readLoop(int socket);
    // A transport that hands a socket's waiting bytes over in several readLoop
    // calls in a row may bracket them as one read event: the rows logged
    // meanwhile share one open of the log file. Each readLoop call is a read
    // event by itself; nothing between the calls may run a loop.
    void beginReadEvent();
    void endReadEvent();
    // Produces at most one line; `receivesLeft` is the caller's receive budget.
    ServerLine nextServerLine(int socket, LineBuffer& line, int& receivesLeft);
    LineClassifier& classifier() { return m_classifier; }
    // Takes the first complete line of the session's bytes into `line`.
    bool takeLine(Session& session, LineBuffer& line, std::size_t& length);

private:
    void readLines(int socket);
    void keepPartialLine(Session& session, std::string_view pending, const LineBuffer& line,
                         const LineStripper& stripper);

    SessionList& m_sessions;
    Transport& m_transport;
    RowSink& m_rows;
    LineClassifier m_classifier;
};

}  // namespace tavik
