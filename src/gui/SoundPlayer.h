#pragma once

#include <QObject>
#include <QString>

class QSoundEffect;
class QTemporaryFile;

namespace tavik::gui {

// Wave files for word sounds and the chime. One sound at a time: a new one
// cuts off the one before. Without an audio device it does nothing at all.
class SoundPlayer : public QObject {
    Q_OBJECT

public:
    explicit SoundPlayer(QObject* parent = nullptr);

    void play(const QString& file);
    void stop();
    // "CHORD.WAV" is the one system sound the engine asks for; we bring our own.
    void playSystemSound(const QString& name);

private:
    QString chordFile();

    QSoundEffect* m_effect = nullptr;
    QTemporaryFile* m_chordFile = nullptr;  // removed again when we go
};

}  // namespace tavik::gui
