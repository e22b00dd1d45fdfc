#include "Sound.h"

#include "CResourceModule.h"

#include <QAudioDevice>
#include <QCryptographicHash>
#include <QFile>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QTemporaryDir>
#include <QUrl>

#include <memory>

namespace {

std::function<void(int)>& Hook() {
    static std::function<void(int)> hook;
    return hook;
}

// QSoundEffect plays files, not memory: each distinct sound is written once into a private folder
// that goes away with the program.
QString WaveFile(const QByteArray& bytes) {
    static std::unique_ptr<QTemporaryDir> folder;
    if (!folder) {
        folder = std::make_unique<QTemporaryDir>();
        if (!folder->isValid())
            return {};
    }
    const QString path = folder->filePath(
        QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex()) +
        QStringLiteral(".wav"));
    if (!QFile::exists(path)) {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return {};
    }
    return path;
}

} // namespace

int WaveForSoundCode(int code) {
    switch (code) {
    case 1:
        return kWaveType1;
    case 15:
        return kWaveType15;
    case 24:
        return kWaveModeOn;
    case 29:
        return kWaveModeOff;
    default:
        return 0;
    }
}

void PlaySoundCode(int code) {
    if (const int id = WaveForSoundCode(code))
        PlayWaveResource(id);
}

void PlayWaveResource(int id) {
    if (Hook()) {
        Hook()(id);
        return;
    }
    // Without an output device there is nothing to play on; that is silence, not an error.
    if (QMediaDevices::defaultAudioOutput().isNull())
        return;
    const QByteArray bytes = CurrentResources().Wave(id);
    if (bytes.isEmpty())
        return;
    const QString path = WaveFile(bytes);
    if (path.isEmpty())
        return;
    static QSoundEffect* effect = new QSoundEffect; // lives as long as the program
    effect->stop();
    effect->setSource(QUrl::fromLocalFile(path));
    effect->play();
}

void SetSoundHook(std::function<void(int waveId)> hook) {
    Hook() = std::move(hook);
}
