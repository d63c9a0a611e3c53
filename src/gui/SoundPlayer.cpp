#include "SoundPlayer.h"

#include <QAudioDevice>
#include <QDir>
#include <QFile>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QTemporaryFile>
#include <QUrl>

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

namespace {

QtMessageHandler previousHandler = nullptr;

void dropAudioServiceNoise(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.startsWith(QLatin1String("PulseAudioService:"))) return;
    previousHandler(type, context, message);
}

bool hasAudioOutput() {
    // The first look starts Qt's audio backend, which complains once, without
    // a logging category, when there is no sound server. A machine without
    // sound is normal for us, so that complaint is held back; only during
    // this one call, everything else goes on to whoever logged before.
    static bool backendStarted = false;
    if (!backendStarted) {
        backendStarted = true;
        previousHandler = qInstallMessageHandler(dropAudioServiceNoise);
        const bool any = !QMediaDevices::audioOutputs().isEmpty();
        qInstallMessageHandler(previousHandler);
        return any;
    }
    return !QMediaDevices::audioOutputs().isEmpty();
}

}  // namespace

SoundPlayer::SoundPlayer(QObject* parent) : QObject(parent) {
    initResources();
}

void SoundPlayer::play(const QString& file) {
    // No device: stay silent, and make no effect that would complain about it.
    if (!hasAudioOutput()) return;
    if (m_effect == nullptr) m_effect = new QSoundEffect(this);
    m_effect->stop();
    const QUrl source = QUrl::fromLocalFile(file);
    if (m_effect->source() != source) m_effect->setSource(source);
    m_effect->play();
}

void SoundPlayer::stop() {
    if (m_effect != nullptr) m_effect->stop();
}

void SoundPlayer::playSystemSound(const QString& name) {
    if (name.compare(QStringLiteral("CHORD.WAV"), Qt::CaseInsensitive) != 0) return;
    if (!hasAudioOutput()) return;
    const QString file = chordFile();
    if (!file.isEmpty()) play(file);
}

}  // namespace tavik::gui
