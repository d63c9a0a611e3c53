// The local chat server as the window benchmarks run it: started with the
// given arguments on a free port, and the window's dialogs answered so that
// Connect logs in as "Gast" there.
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <cstdio>
#include <string>

#include "QtDesktop.h"
#include "app/Client.h"

namespace tavik::bench {

// Starts the server (TAVIK_SERVER_BINARY) with `arguments` after "--port 0";
// the port it listens on, or -1 when it did not start.
inline int startServer(QProcess& server, const QStringList& arguments) {
    server.start(QString::fromUtf8(TAVIK_SERVER_BINARY),
                 QStringList{QStringLiteral("--port"), QStringLiteral("0")} + arguments);
    if (!server.waitForReadyRead(5000)) {
        std::fprintf(stderr, "the server did not start\n");
        return -1;
    }
    return QString::fromUtf8(server.readLine()).trimmed().section(QLatin1Char(':'), -1).toInt();
}

inline void logInAsGast(gui::QtDesktop& desktop, Client& client, int port) {
    desktop.setDialogRunner([&client, port](Dialog d) {
        if (d == Dialog::Connect) {
            client.connectDialog().setText("localhost:" + std::to_string(port));
            return client.connectDialog().accept(false) ? 1 : 2;
        }
        if (d == Dialog::Login) {
            client.loginDialog().setNick("Gast");
            return client.loginDialog().ok() ? 1 : 2;
        }
        return 2;
    });
}

}  // namespace tavik::bench
