// Pictures of the message list for a look by eye: links, find marks and the
// tinted whisper rows, in a light or a dark palette (Fusion). The real window,
// connected to the local chat server replaying a short conversation; the
// screen is taken with `import -window root`.
//
//   tools/listshots.sh            (runs this under a virtual X display)
//   tavik_listshots SERVER WORKDIR OUT-PREFIX [dark]

#include <QApplication>
#include <QLineEdit>
#include <QPalette>
#include <QProcess>
#include <QStyleFactory>
#include <QTest>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "FindBar.h"
#include "LocalChatWindow.h"
#include "MainWindow.h"

namespace {

QPalette darkPalette() {
    QPalette p;
    p.setColor(QPalette::Window, QColor(45, 45, 48));
    p.setColor(QPalette::WindowText, QColor(220, 220, 220));
    p.setColor(QPalette::Base, QColor(30, 30, 32));
    p.setColor(QPalette::AlternateBase, QColor(45, 45, 48));
    p.setColor(QPalette::Text, QColor(220, 220, 220));
    p.setColor(QPalette::Button, QColor(53, 53, 56));
    p.setColor(QPalette::ButtonText, QColor(220, 220, 220));
    p.setColor(QPalette::Highlight, QColor(42, 130, 218));
    p.setColor(QPalette::HighlightedText, QColor(255, 255, 255));
    p.setColor(QPalette::Link, QColor(100, 170, 255));
    p.setColor(QPalette::ToolTipBase, QColor(53, 53, 56));
    p.setColor(QPalette::ToolTipText, QColor(220, 220, 220));
    return p;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: tavik_listshots SERVER WORKDIR OUT-PREFIX [dark]\n");
        return 2;
    }
    QApplication app(argc, argv);
    const bool dark = argc > 4 && std::string(argv[4]) == "dark";
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    if (dark) QApplication::setPalette(darkPalette());
    const std::filesystem::path work = argv[2];
    const std::string prefix = argv[3];

    const auto script = work / "list.script";
    {
        std::ofstream out(script);
        out << "Willkommen\n%prompt Gib Deinen Namen ein (oder /Show, /Exit, /Help): \n%expect Gast\n"
               "\\e[1m<Anna>\\e[0m Hallo zusammen! Schaut mal auf www.example.org/neu und "
               "https://tavik.de/forum?id=7.\n"
               "<Bert> hallo Anna, kennt ihr http://de.wikipedia.org/wiki/Kiel_(Stadt)?\n"
               "<*Clara*> Hallo Gast, leise gefragt: kommst du heute?\n"
               "--> Dora kommt in den Chat.\n"
               "<Emil> Gr\\xFC\\xDF euch, HALLO Dora\n"
               "<*Clara*> Die Karten liegen unter www.kino-kiel.de/programm, Hallo?\n"
               "<Fritz> sch\\xF6nes Wetter heute\n"
               "<Greta> ja, wirklich sch\\xF6n\n"
               "%wait 600000\n";
    }
    tavik::tools::LocalChatWindow chat(QString::fromLocal8Bit(argv[1]),
                                       {QStringLiteral("--script"), QString::fromStdString(script.string())},
                                       work);
    if (!chat.connect()) return 1;
    tavik::gui::MainWindow& window = chat.window();
    QTest::qWait(2500);
    const auto take = [&](const std::string& name) {
        QTest::qWait(300);
        const QString file = QString::fromStdString(prefix + "-" + name + ".png");
        QProcess::execute(QStringLiteral("import"),
                          {QStringLiteral("-window"), QStringLiteral("root"), file});
        std::printf("%s\n", qPrintable(file));
    };
    take("links");
    window.dispatch(tavik::Command::Find);
    QTest::keyClicks(window.findBar()->queryEdit(), QStringLiteral("hallo"));
    QTest::keyClick(window.findBar()->queryEdit(), Qt::Key_Return);
    take("find");
    return 0;
}
