// The real window (offscreen) connected over TCP to the local chat server,
// which floods it with N lines after the login. Reports the drain rate, the
// longest stall of the event loop (a 10 ms heartbeat timer), the memory before
// and after, and the time from program start to the first shown window.
//
//   ./build/release/bench/gui_flood [lines]      (default 200000)

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "MainWindow.h"
#include "QtDesktop.h"
#include "QtTransport.h"
#include "app/Client.h"

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

// Counts the rows the engine inserts.
struct RowCounter : tavik::MessageRowsObserver {
    long rows = 0;
    QElapsedTimer clock;
    qint64 firstMs = -1;
    qint64 lastMs = -1;
    void rowsInserted(int, int count) override {
        if (firstMs < 0) firstMs = clock.elapsed();
        lastMs = clock.elapsed();
        rows += count;
    }
};

}  // namespace

int main(int argc, char** argv) {
    QElapsedTimer sinceStart;
    sinceStart.start();
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const long lines = argc > 1 ? std::atol(argv[1]) : 200000;
    QApplication app(argc, argv);

    const auto dir = std::filesystem::temp_directory_path() / "tavik-gui-flood";
    std::filesystem::create_directories(dir);
    tavik::gui::QtTransport transport;
    tavik::gui::QtDesktop desktop;
    tavik::SystemClock clock;
    tavik::Client client(transport, desktop, clock, dir);
    client.settings().sound = false;
    transport.setEventHandler([&client](int socket, tavik::SocketEvent event, int error) {
        client.socketEvent(socket, event, error);
    });
    tavik::gui::MainWindow window(client, &desktop);
    window.resize(900, 600);
    window.show();
    QApplication::processEvents();
    const qint64 startupMs = sinceStart.elapsed();

    QProcess server;
    server.start(QString::fromUtf8(TAVIK_SERVER_BINARY),
                 {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--no-bots"),
                  QStringLiteral("--flood"), QString::number(lines)});
    if (!server.waitForReadyRead(5000)) {
        std::fprintf(stderr, "the server did not start\n");
        return 1;
    }
    const int port = QString::fromUtf8(server.readLine()).trimmed().section(QLatin1Char(':'), -1).toInt();
    desktop.setDialogRunner([&](tavik::Dialog d) {
        if (d == tavik::Dialog::Connect) {
            client.connectDialog().setText("localhost:" + std::to_string(port));
            return client.connectDialog().accept(false) ? 1 : 2;
        }
        if (d == tavik::Dialog::Login) {
            client.loginDialog().setNick("Gast");
            return client.loginDialog().ok() ? 1 : 2;
        }
        return 2;
    });

    QApplication::processEvents();
    const long before = residentKiB();
    RowCounter counter;
    counter.clock.start();
    client.messageView().rows().addObserver(&counter);

    qint64 lastBeat = counter.clock.elapsed();
    qint64 longestStall = 0;
    QTimer heartbeat;
    heartbeat.setInterval(10);
    QObject::connect(&heartbeat, &QTimer::timeout, &app, [&] {
        const qint64 now = counter.clock.elapsed();
        longestStall = std::max(longestStall, now - lastBeat);
        lastBeat = now;
    });
    heartbeat.start();

    window.dispatch(tavik::Command::Connect);
    // Done when the flood has arrived and nothing came for a second.
    QElapsedTimer quiet;
    quiet.start();
    long seen = 0;
    while (quiet.elapsed() < 1000 && counter.clock.elapsed() < 120000) {
        QApplication::processEvents(QEventLoop::AllEvents, 50);
        if (counter.rows != seen) {
            seen = counter.rows;
            quiet.restart();
        }
    }
    heartbeat.stop();
    client.messageView().rows().removeObserver(&counter);
    const long after = residentKiB();
    const double seconds = static_cast<double>(counter.lastMs - counter.firstMs) / 1000.0;
    std::printf("lines requested      %ld\n", lines);
    std::printf("rows inserted        %ld\n", counter.rows);
    std::printf("drain time           %.3f s\n", seconds);
    std::printf("drain rate           %.0f rows/s\n",
                seconds > 0 ? static_cast<double>(counter.rows) / seconds : 0.0);
    std::printf("longest loop stall   %lld ms\n", static_cast<long long>(longestStall));
    std::printf("memory before/after  %ld KiB / %ld KiB (%+ld KiB)\n", before, after, after - before);
    std::printf("start-up to window   %lld ms\n", static_cast<long long>(startupMs));
    server.kill();
    server.waitForFinished(3000);
    return 0;
}
