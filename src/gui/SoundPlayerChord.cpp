// The chime, shared by both sound players: it is bundled as a Qt resource,
// but neither the audio backends nor the system's PlaySound read resources.

#include <QDir>
#include <QFile>
#include <QTemporaryFile>

#include "SoundPlayer.h"

namespace tavik::gui {

QString SoundPlayer::chordFile() {
    // A real file, once per run, removed again when the player goes.
    if (m_chordFile == nullptr) {
        QFile resource(QStringLiteral(":/sounds/chord.wav"));
        if (!resource.open(QIODevice::ReadOnly)) return {};
        auto* file =
            new QTemporaryFile(QDir::temp().filePath(QStringLiteral("tavik-chord-XXXXXX.wav")), this);
        if (!file->open() || file->write(resource.readAll()) != resource.size() || !file->flush()) {
            delete file;
            return {};
        }
        m_chordFile = file;
    }
    return m_chordFile->fileName();
}

}  // namespace tavik::gui
