#include "net/ReconnectPlan.h"

#include <utility>

namespace tavik {

long long ReconnectPlan::waitBefore(int attempt) {
    if (attempt <= 0) return 0;
    long long wait = FirstWaitMs;
    for (int i = 1; i < attempt && wait < LongestWaitMs; ++i)
        wait *= 2;
    return wait < LongestWaitMs ? wait : LongestWaitMs;
}

ReconnectPlan::Record* ReconnectPlan::find(int sessionId) {
    const auto it = m_records.find(sessionId);
    return it == m_records.end() ? nullptr : &it->second;
}

const ReconnectPlan::Record* ReconnectPlan::find(int sessionId) const {
    const auto it = m_records.find(sessionId);
    return it == m_records.end() ? nullptr : &it->second;
}

void ReconnectPlan::remember(int sessionId, Address address) {
    forget(sessionId);
    Record record;
    record.address = std::move(address);
    m_records[sessionId] = std::move(record);
}

void ReconnectPlan::forget(int sessionId) {
    if (Record* r = find(sessionId)) setLogin(*r, Login::Done);
    m_records.erase(sessionId);
}

const ReconnectPlan::Address* ReconnectPlan::address(int sessionId) const {
    const Record* r = find(sessionId);
    return r == nullptr ? nullptr : &r->address;
}

long long ReconnectPlan::lost(int sessionId, long long now, std::string channelLine) {
    Record* r = find(sessionId);
    if (r == nullptr) return -1;
    setLogin(*r, Login::Done);
    const bool flapping = r->backAt >= 0 && now - r->backAt < SteadyMs;
    r->attempt = flapping ? r->attempt + 1 : 0;
    r->waiting = true;
    r->dueAt = now + waitBefore(r->attempt);
    r->keepAliveAt = -1;
    // Lost again before the channel line went out: that line still holds.
    if (!channelLine.empty() || r->channelLine.empty()) r->channelLine = std::move(channelLine);
    r->nickRefused = false;
    return waitBefore(r->attempt);
}

long long ReconnectPlan::failed(int sessionId, long long now) {
    Record* r = find(sessionId);
    if (r == nullptr || !r->waiting) return -1;
    ++r->attempt;
    r->dueAt = now + waitBefore(r->attempt);
    return waitBefore(r->attempt);
}

void ReconnectPlan::connected(int sessionId, long long now) {
    Record* r = find(sessionId);
    if (r == nullptr) return;
    r->waiting = false;
    r->backAt = now;
    r->keepAliveAt = -1;
    r->loginSince = now;
    setLogin(*r, Login::AwaitPrompt);
}

void ReconnectPlan::setLogin(Record& r, Login login) {
    if (r.login != Login::Done) --m_loginsOpen;
    r.login = login;
    if (r.login != Login::Done) ++m_loginsOpen;
}

ReconnectPlan::Login ReconnectPlan::login(int sessionId) const {
    const Record* r = find(sessionId);
    return r == nullptr ? Login::Done : r->login;
}

bool ReconnectPlan::loginRow(int sessionId, std::string_view text) {
    Record* r = find(sessionId);
    if (r == nullptr) return false;
    if (r->login == Login::AwaitPrompt) {
        // The banner comes first; the prompt's line ends with the nick's echo.
        if (text.find("Gib Deinen Namen ein") != std::string_view::npos) setLogin(*r, Login::AwaitAnswer);
        return false;
    }
    return r->login == Login::AwaitAnswer;
}

std::vector<int> ReconnectPlan::loginsOverdue(long long now) const {
    std::vector<int> overdue;
    if (m_loginsOpen == 0) return overdue;
    for (const auto& [id, record] : m_records) {
        if (record.login != Login::Done && now - record.loginSince >= LoginAnswerMs) overdue.push_back(id);
    }
    return overdue;
}

void ReconnectPlan::finishLogin(int sessionId) {
    if (Record* r = find(sessionId)) setLogin(*r, Login::Done);
}

void ReconnectPlan::tryNow(int sessionId, long long now) {
    Record* r = find(sessionId);
    if (r != nullptr && r->waiting) r->dueAt = now;
}

bool ReconnectPlan::waiting(int sessionId) const {
    const Record* r = find(sessionId);
    return r != nullptr && r->waiting;
}

bool ReconnectPlan::anyWaiting() const {
    for (const auto& [id, record] : m_records) {
        if (record.waiting) return true;
    }
    return false;
}

int ReconnectPlan::due(long long now) const {
    int first = 0;
    long long firstAt = 0;
    for (const auto& [id, record] : m_records) {
        if (record.waiting && record.dueAt <= now && (first == 0 || record.dueAt < firstAt)) {
            first = id;
            firstAt = record.dueAt;
        }
    }
    return first;
}

long long ReconnectPlan::waitLeft(int sessionId, long long now) const {
    const Record* r = find(sessionId);
    if (r == nullptr || !r->waiting) return -1;
    return r->dueAt > now ? r->dueAt - now : 0;
}

void ReconnectPlan::nameRefused(int sessionId, bool refused) {
    Record* r = find(sessionId);
    if (r == nullptr) return;
    r->nickRefused = refused;
    if (refused) setLogin(*r, Login::Done);
}

std::string ReconnectPlan::takeChannelLine(int sessionId) {
    Record* r = find(sessionId);
    if (r == nullptr || r->waiting || r->nickRefused) return {};
    return std::exchange(r->channelLine, std::string());
}

void ReconnectPlan::keepAliveSent(int sessionId, long long now) {
    Record* r = find(sessionId);
    if (r != nullptr && !r->waiting && r->keepAliveAt < 0) r->keepAliveAt = now;
}

bool ReconnectPlan::keepAliveUnanswered(int sessionId, long long lastReceived, long long now) {
    Record* r = find(sessionId);
    if (r == nullptr || r->waiting || r->keepAliveAt < 0) return false;
    if (lastReceived >= r->keepAliveAt) {
        r->keepAliveAt = -1;  // answered (any byte will do)
        return false;
    }
    return now - r->keepAliveAt >= KeepAliveAnswerMs;
}

}  // namespace tavik
