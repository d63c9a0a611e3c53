#include "net/ReceivePipeline.h"

#include <algorithm>
#include <cstring>
#include <span>

#include "app/Client.h"
#include "app/Text.h"
#include "net/Escapes.h"
#include "net/LineClassifier.h"

namespace tavik {

void ReceivePipeline::readLoop(int socket) {
    beginReadEvent();
    readLines(socket);
    endReadEvent();
}

void ReceivePipeline::beginReadEvent() {
    m_client.logFile().beginEvent();
}

void ReceivePipeline::endReadEvent() {
    // Writes the rows of the event; a failed write opens a box, after the lines are done.
    m_client.logFile().endEvent();
}

void ReceivePipeline::readLines(int socket) {
    LineBuffer line;
    int receivesLeft = MaxReceivesPerLoop;
    for (;;) {
        const ServerLine result = nextServerLine(socket, line, receivesLeft);
        if (result.kind == LineKind::Stop) return;
        if (!makesRow(result.kind)) continue;
        m_client.autoReply(socket, result.name, result.kind);
        m_client.messageView().insert(socket, result.name, result.text, result.kind);
    }
}

ServerLine ReceivePipeline::nextServerLine(int socket, LineBuffer& line, int& receivesLeft) {
    Session* session = m_client.sessions().findBySocket(socket);
    if (session == nullptr) return {};

    long received = 0;
    if (session->receiveBegin == session->receiveEnd && receivesLeft > 0) {
        --receivesLeft;
        session->receiveBegin = 0;
        session->receiveEnd = 0;
        received = m_client.transport().receive(
            socket, std::span<char>(session->receiveBuffer.data(), Session::ReceiveSize));
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

    // No line feed: keep the bytes as the beginning of the line. A line that would
    // outgrow its buffer loses its older part.
    const std::string_view pending = session->pendingBytes();
    if (session->partialLine.size() + pending.size() > Session::ReceiveSize) session->partialLine.clear();
    session->partialLine.append(pending);
    session->receiveBegin = 0;
    session->receiveEnd = 0;
    return {
        received == static_cast<long>(Session::ReceiveSize) ? LineKind::ReadAgain : LineKind::Stop, {}, {}};
}

bool ReceivePipeline::takeLine(Session& session, LineBuffer& line, std::size_t& length) {
    const std::string_view pending = session.pendingBytes();
    const auto feed = pending.find('\n');
    if (feed == std::string_view::npos) {
        showInProgress(session, pending, session.partialLine);
        return false;
    }
    // Both parts are at most 254 bytes, so the line always fits.
    const std::size_t partial = std::min(session.partialLine.size(), LineCapacity / 2);
    std::memcpy(line.data(), session.partialLine.data(), partial);
    const std::size_t rest = std::min(feed, LineCapacity - partial);
    std::memcpy(line.data() + partial, pending.data(), rest);
    length = stripEscapes(line.data(), partial + rest);
    session.partialLine.clear();
    session.receiveBegin += feed + 1;
    if (session.receiveBegin >= session.receiveEnd) {
        session.receiveBegin = 0;
        session.receiveEnd = 0;
    }
    showInProgress(session, "", "");
    return true;
}

void ReceivePipeline::showInProgress(int socket, std::string_view text, std::string_view prefix) {
    if (Session* session = m_client.sessions().findBySocket(socket)) showInProgress(*session, text, prefix);
}

void ReceivePipeline::showInProgress(Session& session, std::string_view text, std::string_view prefix) {
    MessageView& view = m_client.messageView();
    // Emptying a row that is known to be empty changes nothing (after every line).
    if (prefix.empty() && text.empty() && session.inProgressEmptyAt == view.inProgressEpoch()) return;
    const MessageRows& rows = view.rows();
    const int lowest = std::max(0, rows.count() - view.inProgressRows());
    for (int row = rows.count() - 1; row >= lowest; --row) {
        // The row's chat names this session (the cheap test first), and no
        // session before it in the list has the same chat name.
        if (!equalsIgnoreCase(capped(rows.cell(row, view.chatColumn()), 99), session.chatName)) continue;
        if (view.sessionOfRow(row) != &session) continue;
        // A session without an in-progress row of its own shows nothing: the
        // rows at the bottom belong to other sessions.
        if (prefix.empty() && text.empty()) {
            m_progress.clear();
        } else {
            m_progress.assign(prefix);
            m_progress.append(text);
            stripEscapes(m_progress);
        }
        view.rows().setCell(row, view.textColumn(), m_progress);
        if (m_progress.empty()) {
            session.inProgressEmptyAt = view.inProgressEpoch();
        } else {
            view.inProgressTextSet();
        }
        return;
    }
}

}  // namespace tavik
