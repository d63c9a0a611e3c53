// The Windows side of SoundPlayer.h, over the system's own PlaySound (winmm):
// it plays wave files by itself, needs no Qt Multimedia, and a new sound cuts
// off the one before, as the engine expects. Without an audio device PlaySound
// just fails, silently.
#include <windows.h>
// mmsystem.h needs windows.h first.
#include <mmsystem.h>

#include <QDir>
#include <QFile>
#include <QTemporaryFile>
#include <string>

#include "SoundPlayer.h"

// The resources live in a static library; without a reference to them the
// linker would leave them out. Q_INIT_RESOURCE must be used outside namespaces.
static void initResources() {
    static const bool done = [] {
        Q_INIT_RESOURCE(resources);
        return true;
    }();
    (void)done;
}

namespace tavik::gui {

SoundPlayer::SoundPlayer(QObject* parent) : QObject(parent) {
    initResources();
}

void SoundPlayer::play(const QString& file) {
    // SND_NODEFAULT: a missing or broken file stays silent instead of the
    // system's default beep.
    const std::wstring name = QDir::toNativeSeparators(file).toStdWString();
    ::PlaySoundW(name.c_str(), nullptr, SND_FILENAME | SND_ASYNC | SND_NODEFAULT);
}

void SoundPlayer::stop() {
    ::PlaySoundW(nullptr, nullptr, 0);
}

void SoundPlayer::playSystemSound(const QString& name) {
    if (name.compare(QStringLiteral("CHORD.WAV"), Qt::CaseInsensitive) != 0) return;
    const QString file = chordFile();
    if (!file.isEmpty()) play(file);
}

}  // namespace tavik::gui
