// Ingest throughput of the whole receive path: socket bytes -> strip ->
// classify -> chatter tree / message view, on a generated, realistic stream,
// against a baseline that only splits the same bytes at line feeds. A counting
// operator new measures the allocations per line in steady state.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <new>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "app/Client.h"

// ------------------------------------------------------------ counting allocator

namespace {

std::atomic<std::uint64_t> g_allocations{0};

void* allocate(std::size_t size) {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (size == 0) size = 1;
    if (void* p = std::malloc(size)) return p;
    throw std::bad_alloc();
}

void* allocateAligned(std::size_t size, std::align_val_t alignment) {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    const auto align = std::max(static_cast<std::size_t>(alignment), sizeof(void*));
    void* p = nullptr;
    if (posix_memalign(&p, align, size == 0 ? 1 : size) != 0) throw std::bad_alloc();
    return p;
}

std::uint64_t allocations() {
    return g_allocations.load(std::memory_order_relaxed);
}

}  // namespace

void* operator new(std::size_t size) {
    return allocate(size);
}
void* operator new[](std::size_t size) {
    return allocate(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new(std::size_t size, std::align_val_t alignment) {
    return allocateAligned(size, alignment);
}
void* operator new[](std::size_t size, std::align_val_t alignment) {
    return allocateAligned(size, alignment);
}
void* operator new(std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    try {
        return allocateAligned(size, alignment);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    try {
        return allocateAligned(size, alignment);
    } catch (...) {
        return nullptr;
    }
}

void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete(void* p, std::align_val_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::align_val_t) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t, std::align_val_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept {
    std::free(p);
}
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept {
    std::free(p);
}

namespace {

using namespace tavik;

// ------------------------------------------------------------ the stream

// A small deterministic generator, so every run sees the same bytes.
class Random {
public:
    explicit Random(std::uint64_t seed) : m_state(seed) {}
    std::uint32_t next() {
        m_state ^= m_state << 13;
        m_state ^= m_state >> 7;
        m_state ^= m_state << 17;
        return static_cast<std::uint32_t>(m_state >> 16);
    }
    std::size_t below(std::size_t n) { return next() % n; }
    bool chance(int percent) { return below(100) < static_cast<std::size_t>(percent); }

private:
    std::uint64_t m_state;
};

// Windows-1252: ä = E4, ö = F6, ü = FC, ß = DF.
constexpr std::string_view Words[] = {
    "Hallo",
    "ja",
    "nein",
    "vielleicht",
    "sch\xF6n",
    "gr\xFC\xDF",
    "Dich",
    "heute",
    "Abend",
    "wer",
    "ist",
    "noch",
    "da",
    "M\xE4rchen",
    "wei\xDF",
    "ich",
    "nicht",
    "lol",
    "Fu\xDF"
    "ball",
    "\xFC"
    "ber",
    "K\xE4se",
    "Br\xF6tchen",
    "und",
    "oder",
    "Stra\xDF"
    "e",
    "gleich",
    "zur\xFC"
    "ck",
    "Kaffee",
    "morgen",
    "Wetter",
    "so",
    "eine",
    "Frage",
    "gut",
    "m\xF6"
    "chte",
    "T\xFC"
    "r",
    "bis",
    "sp\xE4ter",
    ":-)",
    "hmm",
};
constexpr std::string_view Colours[] = {"\x1b[31m", "\x1b[32m", "\x1b[1;33m", "\x1b[34m", "\x1b[0m"};

std::string chatterName(std::size_t i) {
    static constexpr std::string_view Stems[] = {"Gast",  "Anna",  "Bernd", "Chris", "Dora", "Emil",
                                                 "Frida", "Georg", "Heike", "Igor",  "Jana", "Kai"};
    std::string name(Stems[i % std::size(Stems)]);
    name += std::to_string(i);
    return name;
}

void appendText(std::string& line, Random& rng, std::size_t length) {
    while (line.size() < length) {
        if (rng.chance(4)) line += Colours[rng.below(std::size(Colours))];
        line += Words[rng.below(std::size(Words))];
        line += rng.chance(10) ? ", " : " ";
    }
    line.resize(length);
}

// One chat line of 20..200 bytes (without the line end).
std::string chatLine(Random& rng, std::size_t population) {
    const std::string name = chatterName(rng.below(population));
    const std::size_t length = 20 + rng.below(181);
    std::string line;
    const std::size_t kind = rng.below(100);
    if (kind < 45) {
        line = "<" + name + "> ";
    } else if (kind < 60) {
        line = "\x1b[1m<" + name + ">\x1b[0m ";
    } else if (kind < 72) {
        line = "<*" + name + "*> ";
    } else if (kind < 80) {
        line = "/w " + name + " ";
    } else if (kind < 88) {
        line = "--> " + name + (rng.chance(50) ? " kommt in den Chat." : " verl\xE4sst den Chat.");
        return line;
    } else {
        line = ">>> ";
        line += rng.chance(50) ? name + " ist jetzt weg." : std::string("Hinweis: ");
    }
    appendText(line, rng, std::max(length, line.size() + 4));
    return line;
}

// The keep-alive answer: the echo of "/s" and the framed list of `present`
// chatters (out of a population a little larger) in 8 channels.
void appendChatterList(std::string& out, Random& rng, std::size_t present, std::size_t population) {
    static constexpr std::string_view Channels[] = {"Lobby",
                                                    "Hinterzimmer",
                                                    "Garten",
                                                    "Keller",
                                                    "Dachboden",
                                                    "K\xFC"
                                                    "che",
                                                    "Bar",
                                                    "Separee"};
    std::string frame(72, '-');
    frame.front() = '+';
    frame.back() = '+';
    frame += "\r\n";
    out += "/s\r\n";
    out += frame;
    out += "| Chatter und Chatterinnen im Brenn-Chat:      \r\n";
    out += frame;
    // A different few are missing each time, so lists change a little.
    const std::size_t absentFrom = rng.below(population - present + 1);
    std::vector<std::size_t> names;
    for (std::size_t i = 0; i < population && names.size() < present; ++i) {
        if (i < absentFrom || i >= absentFrom + (population - present)) names.push_back(i);
    }
    const std::size_t perChannel = (names.size() + 7) / 8;
    for (std::size_t c = 0; c < 8; ++c) {
        const std::size_t begin = std::min(names.size(), c * perChannel);
        const std::size_t end = std::min(names.size(), begin + perChannel);
        std::string line = "|";
        for (std::size_t i = begin; i < end; ++i) {
            std::string name = chatterName(names[i]);
            if (rng.chance(5)) name += " (weg)";
            if (line.size() > 1) line += ',';
            if (line.size() + name.size() + 40 > 240) {
                out += line;
                out += "\r\n";
                line.assign(1, '|');
            }
            line += ' ';
            line += name;
        }
        line += "      ";
        line += Channels[c];
        line += ' ';
        if (c % 3 == 2) line += '*';
        line += "   ";
        out += line;
        out += "\r\n";
    }
    out += frame;
}

struct Stream {
    std::string bytes;
    std::size_t lines = 0;
};

// `chatLines` chat lines; after every 1,000 of them the keep-alive answer with
// `chatters` present (none when 0).
Stream makeStream(std::size_t chatLines, std::size_t chatters) {
    Random rng(0x5EED'7A11 + chatters);
    const std::size_t population = chatters == 0 ? 300 : chatters + chatters / 10;
    Stream s;
    for (std::size_t i = 1; i <= chatLines; ++i) {
        s.bytes += chatLine(rng, population);
        s.bytes += "\r\n";
        if (chatters != 0 && i % 1000 == 0) appendChatterList(s.bytes, rng, chatters, population);
    }
    s.lines = static_cast<std::size_t>(std::count(s.bytes.begin(), s.bytes.end(), '\n'));
    return s;
}

const Stream& stream(std::size_t chatters) {
    static const Stream none = makeStream(20000, 0);
    static const Stream small = makeStream(20000, 200);
    static const Stream large = makeStream(20000, 2000);
    return chatters == 0 ? none : chatters == 200 ? small : large;
}

// ------------------------------------------------------------ the engine's world

// Serves the stream to one socket in receives of up to the requested size.
class StreamTransport : public Transport {
public:
    void rewind(std::string_view bytes) {
        m_bytes = bytes;
        m_pos = 0;
    }
    bool consumed() const { return m_pos >= m_bytes.size(); }

    int open() override { return NoSocket; }
    ResolveResult resolve(std::string_view) override { return {0, "127.0.0.1"}; }
    int connect(int, std::string_view, std::uint16_t) override { return 0; }
    long send(int, std::string_view bytes) override { return static_cast<long>(bytes.size()); }
    long receive(int, std::span<char> buffer) override {
        const std::size_t n = std::min(buffer.size(), m_bytes.size() - m_pos);
        std::memcpy(buffer.data(), m_bytes.data() + m_pos, n);
        m_pos += n;
        return static_cast<long>(n);
    }
    void close(int) override {}

private:
    std::string_view m_bytes;
    std::size_t m_pos = 0;
};

class QuietDesktop : public Desktop {
public:
    MessageBoxAnswer messageBox(std::string_view, std::string_view, MessageBoxStyle) override {
        return MessageBoxAnswer::Ok;
    }
    int runDialog(Dialog) override { return 1; }
    void focusInputLine() override {}
    void setTitle(std::string_view) override {}
    void bringToFront() override {}
    bool isForeground() const override { return true; }
    void setClipboardText(std::string_view) override {}
    std::string clipboardText() const override { return {}; }
    void playSound(const std::string&) override {}
    void stopSound() override {}
    void playSystemSound(std::string_view) override {}
};

class FixedClock : public Clock {
public:
    LocalTime now() const override { return {2002, 2, 3, 21, 15, 0}; }
};

constexpr int Socket = 100;
constexpr int WarmUpPasses = 16;
// readLoop calls per read event in the logging benchmark: as many receives as
// one readLoop may make, about 65 KB or 600 lines of the stream. (The window's
// transport hands over waiting bytes for up to 8 ms per read event.)
constexpr int ReadLoopsPerEvent = ReceivePipeline::MaxReceivesPerLoop;

struct Engine {
    StreamTransport transport;
    QuietDesktop desktop;
    FixedClock clock;
    Client client;

    explicit Engine(const std::filesystem::path& directory = ".", bool log = false)
        : client(transport, desktop, clock, directory) {
        client.settings().logfile = log;
        client.settings().sound = false;
        client.attachSession(Socket, "Brenn-Chat", "Tester");
        // TAVIK_ROWS=2000|10000|50000: the list keeps that many rows (the "rows" option).
        if (const char* rows = std::getenv("TAVIK_ROWS")) client.messageView().setMaxRows(std::atoi(rows));
    }

    void ingest(std::string_view bytes) {
        transport.rewind(bytes);
        while (!transport.consumed())
            client.readLoop(Socket);
    }

    // As the window's transport hands over waiting bytes: batches of readLoop
    // calls, each batch bracketed as one read event.
    void ingestInEvents(std::string_view bytes) {
        transport.rewind(bytes);
        while (!transport.consumed()) {
            client.receiver().beginReadEvent();
            for (int call = 0; call < ReadLoopsPerEvent && !transport.consumed(); ++call)
                client.readLoop(Socket);
            client.receiver().endReadEvent();
        }
    }
};

// ------------------------------------------------------------ benchmarks

void report(benchmark::State& state, const Stream& s, std::uint64_t allocs) {
    const auto passes = static_cast<double>(state.iterations());
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(s.bytes.size()));
    state.counters["lines/s"] =
        benchmark::Counter(passes * static_cast<double>(s.lines), benchmark::Counter::kIsRate);
    state.counters["allocs_per_line"] = static_cast<double>(allocs) / (passes * static_cast<double>(s.lines));
}

// The floor: find the line feeds of the same bytes and count the lines.
void BM_SplitLines(benchmark::State& state) {
    const Stream& s = stream(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        std::size_t lines = 0;
        const char* p = s.bytes.data();
        const char* const end = p + s.bytes.size();
        while (const void* feed = std::memchr(p, '\n', static_cast<std::size_t>(end - p))) {
            ++lines;
            p = static_cast<const char*>(feed) + 1;
        }
        benchmark::DoNotOptimize(lines);
    }
    report(state, s, 0);
}

// The whole path; arg 0 = chat lines only, else chatters in each keep-alive list.
void BM_Ingest(benchmark::State& state) {
    const Stream& s = stream(static_cast<std::size_t>(state.range(0)));
    Engine engine;
    // Warm-up until the buffers reach their working sizes: the chatter tree's
    // slots and the name lists after one pass, the text cells of the 500-row
    // ring only after about ten, since a cell grows to the full wrap width only
    // when one of the rare 80-byte pieces lands in it.
    for (int pass = 0; pass < WarmUpPasses; ++pass)
        engine.ingest(s.bytes);
    const std::uint64_t before = allocations();
    for (auto _ : state)
        engine.ingest(s.bytes);
    report(state, s, allocations() - before);
    if (engine.client.messageView().rows().count() != engine.client.messageView().maxRows())
        state.SkipWithError("rows lost");
}

// A fresh directory under the system's temporary directory, removed at the end.
class TemporaryDirectory {
public:
    TemporaryDirectory() {
        const auto base = std::filesystem::temp_directory_path();
        for (unsigned n = 0;; ++n) {
            m_path = base / ("ingest_bench_" + std::to_string(getpid()) + "_" + std::to_string(n));
            if (std::filesystem::create_directory(m_path)) break;
        }
    }
    TemporaryDirectory(const TemporaryDirectory&) = delete;
    TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;
    ~TemporaryDirectory() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

// The 200-chatter stream with the log file on: every shown row is appended to
// the day's file in a temporary directory, read event by read event (see
// ReadLoopsPerEvent). The file is removed between passes (outside the timing),
// so it never grows beyond one pass.
void BM_IngestLogging(benchmark::State& state) {
    const Stream& s = stream(200);
    const TemporaryDirectory dir;
    Engine engine(dir.path(), true);
    const std::filesystem::path log = dir.path() / "LogFiles" / LogFile::fileName(engine.clock.now());
    for (int pass = 0; pass < WarmUpPasses; ++pass) {
        engine.ingestInEvents(s.bytes);
        std::filesystem::remove(log);
    }
    std::uintmax_t logged = 0;
    const std::uint64_t before = allocations();
    for (auto _ : state) {
        engine.ingestInEvents(s.bytes);
        state.PauseTiming();
        logged = std::filesystem::file_size(log);
        std::filesystem::remove(log);
        state.ResumeTiming();
    }
    report(state, s, allocations() - before);
    state.counters["log_bytes_per_pass"] = static_cast<double>(logged);
    if (!engine.client.settings().logfile || logged == 0) state.SkipWithError("nothing logged");
    if (engine.client.messageView().rows().count() != engine.client.messageView().maxRows())
        state.SkipWithError("rows lost");
}

BENCHMARK(BM_SplitLines)->Arg(200)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Ingest)->ArgName("chatters")->Arg(0)->Arg(200)->Arg(2000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IngestLogging)->Name("BM_Ingest/logging")->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
