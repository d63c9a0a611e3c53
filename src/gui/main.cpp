#include <QApplication>
#include <cstdio>
#include <filesystem>

#include "Icons.h"
#include "MainWindow.h"
#include "QtDesktop.h"
#include "QtTransport.h"
#include "Translations.h"
#include "app/Client.h"
#include "platform/Clock.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("TavikClient"));
    QApplication::setWindowIcon(tavik::gui::programIcon());
    tavik::gui::installGermanTranslations(app);  // Qt's own texts in German

    // The working directory holds settings.cfg, ChatWatch.cfg, fonts/, inline/, LogFiles/ and Sounds/.
    tavik::gui::QtTransport transport;
    tavik::gui::QtDesktop desktop;
    tavik::SystemClock clock;
    tavik::Client client(transport, desktop, clock, std::filesystem::current_path());
    client.setServicePortLookup(&tavik::gui::QtTransport::servicePort);
    transport.setEventHandler([&client](int socket, tavik::SocketEvent event, int error) {
        client.socketEvent(socket, event, error);
    });

    tavik::gui::MainWindow window(client, &desktop);
    window.start();
    return QApplication::exec();
}
