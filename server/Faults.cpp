#include "Faults.h"

#include <array>
#include <charconv>
#include <random>
#include <string_view>

#include "Connection.h"
#include "Text.h"

namespace tavik::server {

namespace {

constexpr long kFloodBatch = 256;
constexpr long kLongLineChunk = 8192;
constexpr std::size_t kGarbageBytes = 4096;

constexpr std::array<std::string_view, 6> kFloodNicks = {"Anna",   "Bernd", "Claudia",
                                                         "Dieter", "Elke",  "Fritz"};
constexpr std::array<std::string_view, 5> kFloodTexts = {
    "Hallo zusammen!",
    "Sch\xF6nes Wetter heute, oder?",
    "Wer kommt Freitag zum Stammtisch?",
    "Gr\xFC\xDF"
    "e aus K\xF6ln!",
    "Ich hol mir mal einen Kaffee.",
};

void appendNumber(std::string& out, long value) {
    std::array<char, 24> digits{};
    const auto end = std::to_chars(digits.data(), digits.data() + digits.size(), value).ptr;
    out.append(digits.data(), end);
}

// Line `number` of a flood of `total`, line end included, appended to `out`;
// `text` is room for the text, reused from line to line.
void appendFloodLine(std::string& out, std::string& text, long number, long total) {
    const auto index = static_cast<std::size_t>(number);
    const std::string_view nick = kFloodNicks[index % kFloodNicks.size()];
    text.clear();
    text.append("Zeile ");
    appendNumber(text, number);
    text.append(" von ");
    appendNumber(text, total);
    text.append(": ").append(kFloodTexts[index % kFloodTexts.size()]);
    switch (index % 4) {
        case 0:
            appendPublicLine(out, nick, text);
            break;
        case 1:
            appendWhisperLine(out, nick, text);
            break;
        case 2:
            appendEventLine(out, nick, text);
            break;
        default:
            appendNoticeLine(out, text);
    }
    out.append(kLineEnd);
}

enum class Step { Flood, Nul, Garbage, LongLine, End, Finished };

class FaultRun {
public:
    FaultRun(const FaultOptions& faults, std::uint32_t seed) : m_faults(faults), m_rng(seed) {}

    bool operator()(Connection& c) {
        switch (m_step) {
            case Step::Flood:
                if (m_sent < m_faults.flood) {
                    long stop = std::min(m_faults.flood, m_sent + kFloodBatch);
                    m_batch.clear();
                    while (m_sent < stop)
                        appendFloodLine(m_batch, m_text, ++m_sent, m_faults.flood);
                    c.send(m_batch);
                    return true;
                }
                m_step = Step::Nul;
                return true;
            case Step::Nul:
                if (m_faults.nul) sendNulLines(c);
                m_step = Step::Garbage;
                return true;
            case Step::Garbage:
                if (m_faults.garbage) sendGarbage(c);
                m_step = Step::LongLine;
                m_sent = 0;
                return true;
            case Step::LongLine:
                if (m_sent < m_faults.longLine) {
                    if (m_sent == 0) {
                        c.send("<Anna> ");
                        m_sent = 7;
                    }
                    long chunk = std::min(kLongLineChunk, m_faults.longLine - m_sent);
                    std::string text;
                    text.reserve(static_cast<std::size_t>(chunk));
                    static constexpr std::string_view kWords = "bla ";
                    for (long i = 0; i < chunk; ++i)
                        text.push_back(kWords[static_cast<std::size_t>(i % 4)]);
                    c.send(text);
                    m_sent += chunk;
                    return true;
                }
                m_step = Step::End;
                return true;
            case Step::End:
                m_step = Step::Finished;
                if (m_faults.closeMidLine) {
                    c.send(publicLine("Anna", "Diese Zeile bricht mit"));
                    c.endAfterFlush(Connection::Ending::Graceful);
                } else if (m_faults.reset) {
                    c.endAfterFlush(Connection::Ending::Reset);
                }
                return false;
            case Step::Finished:
                return false;
        }
        return false;
    }

private:
    void sendNulLines(Connection& c) {
        using namespace std::string_view_literals;
        std::string bytes;
        bytes += publicLine("Anna", "Hal\0lo mit NUL"sv) + std::string(kLineEnd);
        bytes += std::string("\0"sv) + eventLine("Bernd", "kommt in den Chat.") + std::string(kLineEnd);
        bytes += noticeLine("Ende der NUL-Zeilen.\0"sv) + std::string(kLineEnd);
        c.send(bytes);
    }

    void sendGarbage(Connection& c) {
        // Random bytes, with broken escape sequences and stray line ends mixed in,
        // then a clean line so that a reader can find its footing again.
        static constexpr std::array<std::string_view, 6> kShards = {"\x1b[", "\x1b[12;", "\x1b",
                                                                    "\r",    "\n",       "\0"};
        std::uniform_int_distribution<int> byte(0, 255);
        std::uniform_int_distribution<int> pick(0, 15);
        std::string bytes;
        while (bytes.size() < kGarbageBytes) {
            int p = pick(m_rng);
            if (p < static_cast<int>(kShards.size())) {
                bytes += kShards[static_cast<std::size_t>(p)];
            } else {
                bytes.push_back(static_cast<char>(byte(m_rng)));
            }
        }
        bytes += std::string(kLineEnd) +
                 noticeLine(
                     "Ende des Datenm\xFCll"
                     "s.") +
                 std::string(kLineEnd);
        c.send(bytes);
    }

    FaultOptions m_faults;
    std::mt19937 m_rng;
    Step m_step = Step::Flood;
    long m_sent = 0;
    std::string m_batch;  // kept, so that a flood builds its lines without allocating
    std::string m_text;
};

}  // namespace

std::string floodLine(long number, long total) {
    std::string line;
    std::string text;
    appendFloodLine(line, text, number, total);
    return line;
}

std::function<bool(Connection&)> makeFaultFeeder(const FaultOptions& faults, std::uint32_t seed) {
    return FaultRun(faults, seed);
}

}  // namespace tavik::server
