// The real window at the rates a busy channel has. The local chat server
// replays a script: the login, then chat lines at 30, 100, 300 and 1,000
// lines per second for 10 seconds each (each line its own send, paced by the
// server's timers). For every rate the program reports the lines that came,
// the processor time the window's process spent on them (user + system, from
// getrusage, so the machine's other load does not count), that time as a
// share of one core and per 1,000 lines, and the longest stall of the event
// loop (a 10 ms heartbeat). Run it on a real display (Xvfb) to include the
// painting; without DISPLAY it runs offscreen.
//
//   ./build/release/bench/gui_rates [seconds per rate] [rates...]   (10; 30 100 300 1000)
//   ./build/release/bench/gui_rates paint [rows]                    (2000)
//     the same window without a server: each row goes into the list as a read
//     event gives it, a frame after the last, and the list is painted at once,
//     one row after the other; processor time per row and the row places painted. What a row costs the
//     window, free of the machine's scheduling (which decides how many rows a read brings).
//   TAVIK_ROWS=50000 ./build/release/bench/gui_rates ...            (the rows the list keeps)

#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTableView>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "LocalServer.h"
#include "MainWindow.h"
#include "MessageListModel.h"
#include "MessageListView.h"
#include "QtDesktop.h"
#include "QtTransport.h"
#include "app/Client.h"
#include "chat/MessageRows.h"

namespace {

long residentKiB() {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            long kib = 0;
            status >> kib;
            return kib;
        }
        status.ignore(1 << 16, '\n');
    }
    return -1;
}

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// A line as a busy channel has them: public lines (some names bold), whispers,
// arrivals, 20 to 160 bytes of words with umlauts, now and then a web address.
std::string chatLine(std::mt19937& random, long number) {
    static const char* const Names[] = {"Anna",  "Bernd", "Clara", "Dieter", "Emma", "Fritz", "Greta",
                                        "Heinz", "Ilse",  "Jens",  "Karla",  "Lutz", "Mona",  "Nils"};
    static const char* const Words[] = {
        "hallo",     "ja",       "nein",   "gr\\xFC\\xDF", "dich",   "heute",      "Wetter",
        "sch\\xF6n", "m\\xFCde", "Kaffee", "genau",        "wieder", "sp\\xE4ter", "Stra\\xDFe",
        "wer",       "kommt",    "mit",    "ins",          "Kino",   "lol",        "Abend"};
    const char* name = Names[random() % std::size(Names)];
    std::string text;
    const std::size_t length = 20 + random() % 140;
    while (text.size() < length) {
        if (!text.empty()) text += ' ';
        text += random() % 40 == 0 ? "http://www.example.org/seite" : Words[random() % std::size(Words)];
    }
    text += " #" + std::to_string(number);
    switch (random() % 10) {
        case 0:
            return std::string("<*") + name + "*> " + text;
        case 1:
            return std::string("--> ") + name + " kommt in den Chat.";
        case 2:
        case 3:
            return std::string("\\e[1m<") + name + ">\\e[0m " + text;
        default:
            return std::string("<") + name + "> " + text;
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr && std::getenv("DISPLAY") == nullptr)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const bool paintMode = argc > 1 && std::string(argv[1]) == "paint";
    const int seconds = argc > 1 && !paintMode ? std::max(1, std::atoi(argv[1])) : 10;
    std::vector<long> rates;
    for (int i = paintMode ? argc : 2; i < argc; ++i)
        rates.push_back(std::max(1L, std::atol(argv[i])));
    if (rates.empty()) rates = {30, 100, 300, 1000};
    QApplication app(argc, argv);

    const auto dir = std::filesystem::temp_directory_path() / "tavik-gui-rates";
    std::filesystem::create_directories(dir);
    // The script: login, a second of quiet, then every rate in turn. A line
    // is due at i * 1000 / rate ms; the waits in between are whole ms.
    const auto script = dir / "rates.script";
    std::vector<long> phaseEnds;  // the number of each rate's last line
    {
        std::ofstream out(script);
        out << "Willkommen\n%prompt Gib Deinen Namen ein (oder /Show, /Exit, /Help): \n%expect Gast\n"
               "%wait 1000\n";
        std::mt19937 random(7);
        long number = 0;
        long total = 0;
        for (const long rate : rates) {
            const long lines = rate * seconds;
            // Lines are sent on ticks of 10 ms (33 ms at 30 lines/s): a busy
            // channel's lines come one or a few at a time.
            const long tick = rate >= 100 ? 10 : 1000 / rate;
            long lastDue = 0;
            for (long i = 1; i <= lines; ++i) {
                const long due = (i * 1000 / rate) / tick * tick;
                if (due > lastDue) out << "%wait " << due - lastDue << '\n';
                lastDue = due;
                out << chatLine(random, ++number) << '\n';
            }
            total += lines;
            phaseEnds.push_back(total);
            out << "%wait 1000\n";
        }
        out << "%wait 600000\n";
    }

    tavik::gui::QtTransport transport;
    tavik::gui::QtDesktop desktop;
    tavik::SystemClock clock;
    tavik::Client client(transport, desktop, clock, dir);
    client.settings().sound = false;
    tavik::gui::MainWindow window(client, &desktop);
    window.listenTo(transport);
    if (const char* rows = std::getenv("TAVIK_ROWS")) client.messageView().setMaxRows(std::atoi(rows));
    window.resize(1000, 700);
    window.show();
    QApplication::processEvents();

    if (paintMode) {
        const long count = argc > 2 ? std::max(1L, std::atol(argv[2])) : 2000;
        auto* model = qobject_cast<tavik::gui::MessageListModel*>(window.messageList()->model());
        std::mt19937 random(7);
        auto* list = static_cast<tavik::gui::MessageListView*>(window.messageList());
        QElapsedTimer sinceRow;
        const auto feed = [&](long n) {
            for (long i = 0; i < n; ++i) {
                std::string line = chatLine(random, i);
                // The script's escapes are the server's business; here the bytes go in as they are.
                for (std::size_t at; (at = line.find("\\e[1m")) != std::string::npos;)
                    line.erase(at, 6);
                for (std::size_t at; (at = line.find("\\e[0m")) != std::string::npos;)
                    line.erase(at, 6);
                for (std::size_t at; (at = line.find("\\x")) != std::string::npos;)
                    line.replace(at, 4, 1, static_cast<char>(std::stoi(line.substr(at + 2, 2), nullptr, 16)));
                const auto blank = line.find(' ');
                // A frame after the last row, so that the list shows this one at once.
                if (sinceRow.isValid()) {
                    const qint64 left =
                        (tavik::gui::MessageListView::ShowEveryMs + 1) * 1000000LL - sinceRow.nsecsElapsed();
                    if (left > 0) QThread::usleep(static_cast<unsigned long>(left / 1000));
                }
                model->holdUpdates();
                client.messageView().insert(tavik::NoSocket, line.substr(0, blank), line.substr(blank + 1),
                                            tavik::LineKind::Public);
                model->releaseUpdates();
                QApplication::processEvents();
                sinceRow.start();
            }
        };
        feed(200);  // warm: fonts, caches, the first layouts
        const long before = residentKiB();
        const double cpu0 = cpuSeconds();
        const std::uint64_t places0 = list->placesPainted();
        feed(count);
        const double cpu = cpuSeconds() - cpu0;
        std::printf("window 1000x700, platform %s, %ld rows, each painted at once\n",
                    qPrintable(QGuiApplication::platformName()), count);
        std::printf("CPU per row          %.1f us\n", 1e6 * cpu / static_cast<double>(count));
        std::printf("row places painted   %.1f per row\n",
                    static_cast<double>(list->placesPainted() - places0) / static_cast<double>(count));
        std::printf("memory before/after  %ld KiB / %ld KiB\n", before, residentKiB());
        return 0;
    }

    QProcess server;
    const int port = tavik::bench::startServer(
        server, {QStringLiteral("--script"), QString::fromStdString(script.string())});
    if (port < 0) return 1;
    tavik::bench::logInAsGast(desktop, client, port);

    // Follows the lines by the number each ends with (" #n"; a long line is
    // wrapped into rows, the number stands in its last); a phase starts with
    // its first line and ends with its last.
    struct Phase {
        double cpuStart = 0, cpuEnd = 0;
        qint64 wallStart = -1, wallEnd = -1;
        qint64 stall = 0;
    };
    std::vector<Phase> phases(rates.size());
    QElapsedTimer wall;
    wall.start();
    struct Counter : tavik::MessageRowsObserver {
        const tavik::MessageView* view = nullptr;
        long rows = 0;  // the number of the newest line
        bool counting = false;
        void rowsInserted(int first, int) override {
            if (!counting) return;
            const std::string& text = view->rows().cell(first, view->textColumn());
            const auto hash = text.rfind(" #");
            if (hash == std::string::npos) return;
            const long number = std::atol(text.c_str() + hash + 2);
            if (number > rows) rows = number;
        }
    } counter;
    counter.view = &client.messageView();
    client.messageView().rows().addObserver(&counter);

    std::size_t phase = 0;
    long seenRows = 0;
    qint64 lastBeat = 0;
    const long before = residentKiB();
    QTimer heartbeat;
    heartbeat.setInterval(10);
    QEventLoop wait;
    QObject::connect(&heartbeat, &QTimer::timeout, &app, [&] {
        const qint64 now = wall.elapsed();
        const qint64 gap = now - lastBeat;
        lastBeat = now;
        if (phase >= phases.size()) return;
        Phase& p = phases[phase];
        if (p.wallStart >= 0) p.stall = std::max(p.stall, gap);
        if (counter.rows != seenRows) {
            const long firstOfPhase = phase == 0 ? 0 : phaseEnds[phase - 1];
            if (p.wallStart < 0 && counter.rows > firstOfPhase) {
                p.wallStart = now;
                p.cpuStart = cpuSeconds();
            }
            seenRows = counter.rows;
            if (counter.rows >= phaseEnds[phase]) {
                p.wallEnd = now;
                p.cpuEnd = cpuSeconds();
                if (++phase == phases.size()) wait.quit();
            }
        }
        if (now > 60000L + static_cast<qint64>(seconds) * 1000 * static_cast<qint64>(rates.size()))
            wait.quit();
    });
    // The login's own rows do not count: counting starts once it is done.
    QTimer::singleShot(700, &app, [&] {
        counter.counting = true;
        lastBeat = wall.elapsed();
        heartbeat.start();
    });
    window.dispatch(tavik::Command::Connect);
    wait.exec();
    heartbeat.stop();
    client.messageView().rows().removeObserver(&counter);
    const long after = residentKiB();

    std::printf("window 1000x700, %d s per rate, platform %s\n", seconds,
                qPrintable(QGuiApplication::platformName()));
    std::printf("%10s %8s %10s %10s %14s %10s\n", "lines/s", "lines", "real l/s", "CPU %", "CPU ms/1000",
                "stall ms");
    int status = 0;
    for (std::size_t i = 0; i < phases.size(); ++i) {
        const Phase& p = phases[i];
        const long lines = phaseEnds[i] - (i == 0 ? 0 : phaseEnds[i - 1]);
        if (p.wallEnd < 0) {
            std::printf("%10ld   did not finish\n", rates[i]);
            status = 1;
            continue;
        }
        const double wallS = static_cast<double>(p.wallEnd - p.wallStart) / 1000.0;
        const double cpu = p.cpuEnd - p.cpuStart;
        std::printf("%10ld %8ld %10.0f %10.1f %14.1f %10lld\n", rates[i], lines,
                    wallS > 0 ? static_cast<double>(lines) / wallS : 0.0,
                    wallS > 0 ? 100.0 * cpu / wallS : 0.0, 1e6 * cpu / static_cast<double>(lines),
                    static_cast<long long>(p.stall));
    }
    std::printf("memory before/after  %ld KiB / %ld KiB (%+ld KiB)\n", before, after, after - before);
    server.kill();
    server.waitForFinished(3000);
    return status;
}
