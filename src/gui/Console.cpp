// The POSIX side of Console.h; ConsoleWindows.cpp is the Windows one.
#include "Console.h"

namespace tavik::gui {

void attachToConsole() {}

QStringList commandLine(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

void writeText(std::FILE* stream, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

}  // namespace tavik::gui
