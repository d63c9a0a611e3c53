#pragma once

#include <QString>
#include <QStringList>
#include <cstdio>

namespace tavik::gui {

// The program's messages on standard output and standard error.
//
// On Windows the client is a window program, which starts without a console:
// attachToConsole() joins the console of the program that started it (a
// command prompt), if there is one, so --help and --version are seen there.
// Elsewhere it does nothing.
void attachToConsole();

// The program's arguments, argv[0] first, before there is a QApplication to ask.
// On Windows they are taken from the system's UTF-16 command line, as argv
// holds only what fits the ANSI code page.
QStringList commandLine(int argc, char** argv);

// Writes `text` so that the one who reads it sees the same characters: into a
// console as UTF-16, into a terminal, pipe or file in the encoding such
// readers expect (the locale's on Linux, UTF-8 on Windows).
void writeText(std::FILE* stream, const QString& text);

}  // namespace tavik::gui
