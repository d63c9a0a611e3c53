// The real window (offscreen) connected over TCP to the local chat server,
// which floods it with N lines after the login. Reports the drain rate, the
// longest stall of the event loop (a 10 ms heartbeat timer), the memory before
// and after, and the time from program start to the first shown window. Then
// checks that the list shows what the engine holds, row by row, and that this
// is the end of the flood; exits with 1 when it is not.
//
//   ./build/release/bench/gui_flood [lines]      (default 200000)

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QItemSelectionModel>
#include <QProcess>
#include <QTableView>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "Codec.h"
#include "LocalServer.h"
#include "MainWindow.h"
#include "MessageListModel.h"
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

// Counts the rows the engine inserts. The clock is read for the first row
// only; the heartbeat notes when the count last grew, so that counting costs
// the flood nothing (the drain time comes out up to one beat too long).
struct RowCounter : tavik::MessageRowsObserver {
    long rows = 0;
    QElapsedTimer clock;
    qint64 firstMs = -1;
    void rowsInserted(int, int count) override {
        if (firstMs < 0) firstMs = clock.elapsed();
        rows += count;
    }
};

// What the list shows must be what the engine holds, row by row (text, kind,
// selection, marker), the newest row must be in sight, and the engine's newest
// rows must be the end of the flood. Returns the number of faults found.
int checkShownRows(const tavik::gui::MainWindow& window, tavik::Client& client, long lines) {
    const QTableView* list = window.messageList();
    const QAbstractItemModel* model = list->model();
    const tavik::MessageView& view = client.messageView();
    const tavik::MessageRows& rows = view.rows();
    int faults = 0;
    const auto fault = [&faults](const QString& what) {
        if (++faults <= 10) std::fprintf(stderr, "MISMATCH: %s\n", qPrintable(what));
    };
    if (model->rowCount() != rows.count())
        fault(QStringLiteral("the list has %1 rows, the engine %2").arg(model->rowCount()).arg(rows.count()));
    const int shown = std::min(model->rowCount(), rows.count());
    for (int r = 0; r < shown; ++r) {
        for (int c = 0; c < model->columnCount(); ++c) {
            const QString cell = model->index(r, c).data().toString();
            if (cell != tavik::gui::toQt(rows.cell(r, c)))
                fault(QStringLiteral("row %1 column %2 shows \"%3\", the engine has \"%4\"")
                          .arg(r)
                          .arg(c)
                          .arg(cell, tavik::gui::toQt(rows.cell(r, c))));
        }
        if (model->index(r, 0).data(tavik::gui::MessageListModel::KindRole).toInt() !=
            static_cast<int>(rows.kind(r)))
            fault(QStringLiteral("row %1 shows another kind than the engine's").arg(r));
        if (list->selectionModel()->isRowSelected(r, QModelIndex()) != rows.row(r).selected)
            fault(QStringLiteral("row %1 is %2selected in the list")
                      .arg(r)
                      .arg(rows.row(r).selected ? QStringLiteral("not ") : QString()));
    }
    if (list->currentIndex().row() != rows.marker())
        fault(QStringLiteral("the list's current row is %1, the marker %2")
                  .arg(list->currentIndex().row())
                  .arg(rows.marker()));
    const QRect newest = list->visualRect(model->index(rows.count() - 1, 0));
    if (!list->viewport()->rect().contains(newest)) fault(QStringLiteral("the newest row is out of sight"));
    // Above the in-progress rows: the flood's last two lines, in order (a
    // notice's first word stands in the Name column).
    const int last = rows.count() - 1 - view.inProgressRows();
    for (int back = 0; back < 2 && last - back >= 0; ++back) {
        const int row = last - back;
        const std::string line = rows.cell(row, view.nameColumn()) + " " + rows.cell(row, view.textColumn());
        const std::string expected =
            "Zeile " + std::to_string(lines - back) + " von " + std::to_string(lines);
        if (line.find(expected) == std::string::npos)
            fault(QStringLiteral("row %1 is not line %2 of the flood: \"%3\"")
                      .arg(row)
                      .arg(lines - back)
                      .arg(tavik::gui::toQt(line)));
    }
    return faults;
}

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
    tavik::gui::MainWindow window(client, &desktop);
    window.listenTo(transport);
    window.resize(900, 600);
    window.show();
    QApplication::processEvents();
    const qint64 startupMs = sinceStart.elapsed();

    QProcess server;
    const int port = tavik::bench::startServer(
        server, {QStringLiteral("--no-bots"), QStringLiteral("--flood"), QString::number(lines)});
    if (port < 0) return 1;
    tavik::bench::logInAsGast(desktop, client, port);

    QApplication::processEvents();
    const long before = residentKiB();
    RowCounter counter;
    counter.clock.start();
    client.messageView().rows().addObserver(&counter);

    qint64 lastBeat = counter.clock.elapsed();
    struct Beat {
        qint64 at;
        qint64 gap;
    };
    std::vector<Beat> beats;
    beats.reserve(1 << 16);
    long beatRows = 0;
    qint64 lastRowsMs = -1;
    QTimer heartbeat;
    heartbeat.setInterval(10);
    QObject::connect(&heartbeat, &QTimer::timeout, &app, [&] {
        const qint64 now = counter.clock.elapsed();
        beats.push_back({now, now - lastBeat});
        lastBeat = now;
        if (counter.rows != beatRows) {
            beatRows = counter.rows;
            lastRowsMs = now;
        }
    });
    heartbeat.start();

    window.dispatch(tavik::Command::Connect);
    // Done when the flood has arrived and nothing came for a second. The loop
    // waits for events as the application's does, so the waiting costs the
    // server no processor time.
    QEventLoop wait;
    QElapsedTimer quiet;
    quiet.start();
    long seen = 0;
    QTimer watch;
    watch.setInterval(50);
    QObject::connect(&watch, &QTimer::timeout, &wait, [&] {
        if (counter.rows != seen) {
            seen = counter.rows;
            quiet.restart();
        }
        if (quiet.elapsed() >= 1000 || counter.clock.elapsed() >= 120000) wait.quit();
    });
    watch.start();
    wait.exec();
    heartbeat.stop();
    client.messageView().rows().removeObserver(&counter);
    const long after = residentKiB();
    const double seconds = static_cast<double>(lastRowsMs - counter.firstMs) / 1000.0;
    std::printf("lines requested      %ld\n", lines);
    std::printf("rows inserted        %ld\n", counter.rows);
    std::printf("drain time           %.3f s\n", seconds);
    std::printf("drain rate           %.0f rows/s\n",
                seconds > 0 ? static_cast<double>(beatRows) / seconds : 0.0);
    // The stalls while the rows came in, and over the whole run (connecting,
    // the login and the quiet second after the flood included).
    qint64 floodStall = 0;
    qint64 runStall = 0;
    for (const Beat& beat : beats) {
        runStall = std::max(runStall, beat.gap);
        if (beat.at > counter.firstMs && beat.at - beat.gap <= lastRowsMs)
            floodStall = std::max(floodStall, beat.gap);
    }
    std::printf("longest loop stall   %lld ms during the flood, %lld ms in the whole run\n",
                static_cast<long long>(floodStall), static_cast<long long>(runStall));
    std::printf("memory before/after  %ld KiB / %ld KiB (%+ld KiB)\n", before, after, after - before);
    std::printf("start-up to window   %lld ms\n", static_cast<long long>(startupMs));
    const int faults = checkShownRows(window, client, lines);
    std::printf("shown rows           %s\n",
                faults == 0 ? "the engine's, the flood's last line newest" : "DIFFER FROM THE ENGINE'S");
    server.kill();
    server.waitForFinished(3000);
    return faults == 0 ? 0 : 1;
}
