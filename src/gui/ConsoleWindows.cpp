// The Windows side of Console.h.
#include <windows.h>
// shellapi.h needs windows.h first.
#include <io.h>
#include <shellapi.h>

#include <cstdio>
#include <string>

#include "Console.h"

namespace tavik::gui {

namespace {

bool hasHandle(DWORD which) {
    const HANDLE handle = ::GetStdHandle(which);
    return handle != nullptr && handle != INVALID_HANDLE_VALUE;
}

}  // namespace

void attachToConsole() {
    // A redirected stream (a pipe, a file) is already there and stays; only the
    // streams that lead nowhere go to the console of the parent, if it has one.
    const bool out = hasHandle(STD_OUTPUT_HANDLE);
    const bool err = hasHandle(STD_ERROR_HANDLE);
    if (out && err) return;
    if (!::AttachConsole(ATTACH_PARENT_PROCESS)) return;
    if (!out) (void)std::freopen("CONOUT$", "w", stdout);
    if (!err) (void)std::freopen("CONOUT$", "w", stderr);
}

QStringList commandLine(int argc, char** argv) {
    int count = 0;
    wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (wide == nullptr || count != argc) {
        // Not the command line argv was made from (a caller with its own argv).
        if (wide != nullptr) ::LocalFree(wide);
        QStringList arguments;
        for (int i = 0; i < argc; ++i)
            arguments << QString::fromLocal8Bit(argv[i]);
        return arguments;
    }
    QStringList arguments;
    for (int i = 0; i < count; ++i)
        arguments << QString::fromWCharArray(wide[i]);
    ::LocalFree(wide);
    return arguments;
}

void writeText(std::FILE* stream, const QString& text) {
    std::fflush(stream);
    const auto handle = reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(stream)));
    DWORD mode = 0;
    if (handle != INVALID_HANDLE_VALUE && ::GetConsoleMode(handle, &mode)) {
        // A console shows UTF-16 as it is, whatever its code page.
        const std::wstring wide = text.toStdWString();
        DWORD written = 0;
        ::WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        return;
    }
    std::fputs(text.toUtf8().constData(), stream);
    std::fflush(stream);
}

}  // namespace tavik::gui
