#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>

#include "Console.h"
#include "Icons.h"
#include "MainWindow.h"
#include "PathText.h"
#include "QtDesktop.h"
#include "QtTransport.h"
#include "QuitSignals.h"
#include "Translations.h"
#include "Version.h"
#include "WorkingDirectory.h"
#include "app/Client.h"
#include "platform/Clock.h"

namespace {

constexpr int UsageError = 2;

void print(std::FILE* stream, const QString& text) {
    tavik::gui::writeText(stream, text);
}

// Where the files go without --dir: the data folder of this system.
#ifdef _WIN32
constexpr const char* DataFolderHelp =
    "Ohne --dir wird das aktuelle Verzeichnis benutzt, wenn darin eine\n"
    "settings.cfg liegt, sonst der Ordner des Programms, wenn darin eine\n"
    "portable.txt liegt, sonst der Datenordner des Benutzers\n"
    "(%APPDATA%\\TavikClient).\n";
#else
constexpr const char* DataFolderHelp =
    "Ohne --dir wird das aktuelle Verzeichnis benutzt, wenn darin eine\n"
    "settings.cfg liegt, sonst der Datenordner des Benutzers\n"
    "(~/.local/share/TavikClient).\n";
#endif

QString helpText() {
    return QStringLiteral(
               "Aufruf: tavikclient [Optionen]\n"
               "TavikClient, ein Chat-Client für den Brenn-Chat.\n"
               "\n"
               "Optionen:\n"
               "  -h, --help         Diese Hilfe anzeigen.\n"
               "  -v, --version      Die Versionsnummer anzeigen.\n"
               "  --dir VERZEICHNIS  Die Dateien (settings.cfg, ChatWatch.cfg, LogFiles, fonts,\n"
               "                     inline, Sounds) in VERZEICHNIS halten.\n"
               "\n") +
           QString::fromUtf8(DataFolderHelp);
}

struct Options {
    bool help = false;
    bool version = false;
    std::optional<QString> dir;
    QString error;  // empty when the command line is fine
};

// Read before the QApplication exists, so --help and --version work without a
// display. Qt's own options (-platform, -style, ...) are let through: the
// QApplication takes them out of the argument list itself.
Options parseCommandLine(int argc, char** argv) {
    const QStringList arguments = tavik::gui::commandLine(argc, argv);

    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringList{QStringLiteral("v"), QStringLiteral("version")});
    const QCommandLineOption dir(QStringLiteral("dir"), QString(), QStringLiteral("VERZEICHNIS"));
    parser.addOption(help);
    parser.addOption(version);
    parser.addOption(dir);
    for (const char* qtOption : {"platform", "platformpluginpath", "platformtheme", "plugin",
                                 "qwindowgeometry", "qwindowtitle", "qwindowicon", "display", "geometry",
                                 "style", "stylesheet", "session", "name", "title", "visual"}) {
        parser.addOption(QCommandLineOption(QString::fromLatin1(qtOption), QString(), QStringLiteral("x")));
    }
    for (const char* qtFlag : {"reverse", "widgetcount", "nograb", "dograb", "sync"})
        parser.addOption(QCommandLineOption(QString::fromLatin1(qtFlag)));

    Options options;
    if (!parser.parse(arguments)) {
        const QStringList unknown = parser.unknownOptionNames();
        if (!unknown.isEmpty()) {
            // Shown as it was typed, dashes and all.
            QString typed = unknown.first();
            for (const QString& argument : arguments) {
                const QString name = argument.section(QLatin1Char('='), 0, 0);
                if (name.startsWith(QLatin1Char('-')) &&
                    name.mid(name.startsWith(QStringLiteral("--")) ? 2 : 1) == typed) {
                    typed = name;
                    break;
                }
            }
            options.error = QStringLiteral("Unbekannte Option „%1“.").arg(typed);
        } else if (arguments.size() > 1 && arguments.last().startsWith(QLatin1Char('-'))) {
            options.error = QStringLiteral("Nach „%1“ fehlt der Wert.").arg(arguments.last());
        } else {
            options.error = parser.errorText();
        }
        return options;
    }
    if (!parser.positionalArguments().isEmpty()) {
        options.error =
            QStringLiteral("Unerwartetes Argument „%1“.").arg(parser.positionalArguments().first());
        return options;
    }
    options.help = parser.isSet(help);
    options.version = parser.isSet(version);
    if (parser.isSet(dir)) options.dir = parser.value(dir);
    return options;
}

}  // namespace

using tavik::gui::displayPath;
using tavik::gui::fromPath;
using tavik::gui::toPath;

int main(int argc, char** argv) {
    tavik::gui::attachToConsole();
    const Options options = parseCommandLine(argc, argv);
    if (!options.error.isEmpty()) {
        print(
            stderr,
            QStringLiteral("tavikclient: %1\n„tavikclient --help“ zeigt die Optionen.\n").arg(options.error));
        return UsageError;
    }
    if (options.help) {
        print(stdout, helpText());
        return 0;
    }
    if (options.version) {
        print(stdout, QStringLiteral("TavikClient " TAVIK_VERSION "\n"));
        return 0;
    }

    // Chosen before the window system is asked for anything, so a wrong
    // --dir is reported even where no display is.
    QCoreApplication::setApplicationName(QStringLiteral("TavikClient"));
    const std::filesystem::path current = std::filesystem::current_path();
    const std::filesystem::path dataFolder =
        toPath(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
    std::optional<std::filesystem::path> dirOption;
    if (options.dir) dirOption = toPath(*options.dir);
    const tavik::gui::WorkingDirectory work =
        tavik::gui::chooseWorkingDirectory(dirOption, current, dataFolder, tavik::gui::programFolder());

    std::error_code ec;
    if (work.source == tavik::gui::WorkingDirectory::Source::Option &&
        !std::filesystem::is_directory(work.path, ec)) {
        print(stderr,
              QStringLiteral("tavikclient: Das Verzeichnis %1 gibt es nicht.\n").arg(displayPath(work.path)));
        return UsageError;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationVersion(QStringLiteral(TAVIK_VERSION));
    QApplication::setDesktopFileName(QStringLiteral(TAVIK_APP_ID));
    QApplication::setWindowIcon(tavik::gui::programIcon());
    tavik::gui::installGermanTranslations(app);  // Qt's own texts in German

    // Set up first, so a signal from now on ends the program in order: the end
    // of the desktop session asks nothing (a question nobody answers would
    // block the logout) and the program is gone within two seconds.
    tavik::gui::MainWindow* shownWindow = nullptr;
    QTimer closer;
    closer.setInterval(50);
    QObject::connect(&closer, &QTimer::timeout, &closer, [&closer, &shownWindow] {
        // Open menus and dialogs are cancelled first; the window closes once
        // the program is back in its main loop, as after a click on its close box.
        if (QWidget* popup = QApplication::activePopupWidget()) {
            popup->close();
            return;
        }
        if (QWidget* modal = QApplication::activeModalWidget()) {
            modal->close();
            return;
        }
        if (shownWindow == nullptr || !shownWindow->isVisible() || QThread::currentThread()->loopLevel() > 1)
            return;
        closer.stop();
        shownWindow->quitWithoutAsking();
    });
    // Whatever holds the loop (a box that does not close, a dialog that
    // reopens): the settings are saved and the process ends.
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.setInterval(1500);
    QObject::connect(&deadline, &QTimer::timeout, &deadline, [&shownWindow] {
        if (shownWindow != nullptr) shownWindow->saveForQuit();
        std::fflush(nullptr);
        std::_Exit(0);
    });
    tavik::gui::QuitSignals quitSignals([&closer, &deadline] {
        if (!deadline.isActive()) deadline.start();
        closer.start();
    });

    if (work.source == tavik::gui::WorkingDirectory::Source::DataFolder ||
        work.source == tavik::gui::WorkingDirectory::Source::ProgramFolder) {
        const std::filesystem::path defaults =
            toPath(QApplication::applicationDirPath()) / TAVIK_DEFAULTS_FROM_BINARY;
        if (const auto problem = tavik::gui::prepareDataFolder(work.path, defaults.lexically_normal())) {
            print(stderr, QStringLiteral("tavikclient: %1\n").arg(QString::fromUtf8(*problem)));
            return 1;
        }
    }
    print(stderr, QStringLiteral("tavikclient: Dateien in %1\n").arg(displayPath(work.path)));

    tavik::gui::QtTransport transport;
    tavik::gui::QtDesktop desktop;
    tavik::SystemClock clock;
    tavik::Client client(transport, desktop, clock, work.path);
    client.setServicePortLookup(&tavik::gui::QtTransport::servicePort);
    tavik::gui::MainWindow window(client, &desktop);
    window.listenTo(transport);
    shownWindow = &window;
    window.start();
    const int status = QApplication::exec();
    shownWindow = nullptr;
    return status;
}
