#include "net/ReceivePipeline.h"

#include <algorithm>
#include <cstring>
#include <span>

#include "net/Escapes.h"
#include "net/LineClassifier.h"
#include "net/Session.h"
#include "platform/Transport.h"

namespace tavik {

namespace {

using PartialBuffer = decltype(Session::partialCleaned);

// Copies all of a partial line's buffer, the bytes after the line too (memcpy
// copies whatever they hold). Blocks of sixteen become plain moves without a
// loop or a call: the short line mostly kept there is not worth the branches
// of a copy by its length.
void copyPartial(char* to, const char* from) {
    static_assert(sizeof(PartialBuffer) % 16 == 0);
    for (std::size_t i = 0; i < sizeof(PartialBuffer); i += 16)
        std::memcpy(to + i, from + i, 16);
}

}  // namespace

void ReceivePipeline::readLoop(int socket) {
    beginReadEvent();
    readLines(socket);
    endReadEvent();
}

void ReceivePipeline::beginReadEvent() {
    m_rows.beginReadEvent();
}

void ReceivePipeline::endReadEvent() {
    // Writes the rows of the event; a failed write opens a box, after the lines are done.
    m_rows.endReadEvent();
}

void ReceivePipeline::readLines(int socket) {
    LineBuffer line;
    int receivesLeft = MaxReceivesPerLoop;
    for (;;) {
        const ServerLine result = nextServerLine(socket, line, receivesLeft);
        if (result.kind == LineKind::Stop) return;
        if (!makesRow(result.kind)) continue;
        m_rows.deliverRow(socket, result.name, result.text, result.kind);
    }
}

ServerLine ReceivePipeline::nextServerLine(int socket, LineBuffer& line, int& receivesLeft) {
    Session* session = m_sessions.findBySocket(socket);
    if (session == nullptr) return {};

    long received = 0;
    if (session->receiveBegin == session->receiveEnd && receivesLeft > 0) {
        --receivesLeft;
        session->receiveBegin = 0;
        session->receiveEnd = 0;
        received =
            m_transport.receive(socket, std::span<char>(session->receiveBuffer.data(), Session::ReceiveSize));
        if (received > 0) {
            const auto n = static_cast<std::size_t>(std::min<long>(received, Session::ReceiveSize));
            // NUL bytes would end the text early; they go like the other control bytes.
            char* begin = session->receiveBuffer.data();
            session->receiveEnd = std::memchr(begin, '\0', n) == nullptr
                                      ? n
                                      : static_cast<std::size_t>(std::remove(begin, begin + n, '\0') - begin);
        }
    }

    std::size_t length = 0;
    if (takeLine(*session, line, length)) {
        return m_classifier.classify(*session, socket, std::string_view(line.data(), length));
    }
    return {
        received == static_cast<long>(Session::ReceiveSize) ? LineKind::ReadAgain : LineKind::Stop, {}, {}};
}

bool ReceivePipeline::takeLine(Session& session, LineBuffer& line, std::size_t& length) {
    // The partial line and the received bytes up to the line feed, stripped of
    // escapes as one text. Both parts are at most 254 bytes, so the line always fits.
    static_assert(LineCapacity >= 2 * Session::ReceiveSize + Session::ReadSlack);
    const std::string_view pending = session.pendingBytes();
    // The partial line was cleaned when it was kept: the line goes on from there.
    static_assert(sizeof(PartialBuffer) <= LineCapacity);
    if (session.partialCleanedLength != 0) copyPartial(line.data(), session.partialCleaned.data());
    LineStripper stripper(line.data(), session.partialCleanedLength, session.partialState);
    // The receive buffer has slack after its bytes.
    const std::size_t feed = stripper.take(pending.data(), pending.size(), true);
    if (feed == pending.size()) {
        // No line yet: what was cleaned so far is the unfinished line.
        m_rows.showInProgress(session, std::string_view(line.data(), stripper.length()));
        keepPartialLine(session, pending, line, stripper);
        return false;
    }
    length = stripper.length();
    session.partialLine.clear();
    session.partialCleanedLength = 0;
    session.partialState = LineStripper::State::Text;
    session.receiveBegin += feed + 1;
    if (session.receiveBegin >= session.receiveEnd) {
        session.receiveBegin = 0;
        session.receiveEnd = 0;
    }
    m_rows.showInProgress(session, {});
    return true;
}

void ReceivePipeline::keepPartialLine(Session& session, std::string_view pending, const LineBuffer& line,
                                      const LineStripper& stripper) {
    // No line feed: keep the bytes as the beginning of the line, raw and cleaned.
    // A line that would outgrow its buffer loses its older part.
    if (session.partialLine.size() + pending.size() > Session::ReceiveSize) {
        session.partialLine.assign(pending);
        LineStripper alone(session.partialCleaned.data());
        alone.take(pending.data(), pending.size());
        session.partialCleanedLength = alone.length();
        session.partialState = alone.state();
    } else {
        // The line so far is the partial line and these bytes, cleaned as one text.
        session.partialLine.append(pending);
        copyPartial(session.partialCleaned.data(), line.data());
        session.partialCleanedLength = stripper.length();
        session.partialState = stripper.state();
    }
    session.receiveBegin = 0;
    session.receiveEnd = 0;
}

}  // namespace tavik
