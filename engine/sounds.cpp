#include "engine/sounds.h"

#include "engine/media.h"

namespace engine
{

bool playSound(Media &media, SoundType type, const QString &path, const QByteArray &image,
               QString &device)
{
    switch (type) {
    case SoundType::Mp3:
    case SoundType::Mid:
        device = QLatin1Char('"') + path + QLatin1Char('"');
        media.mciSendString(QStringLiteral("open ") + device);
        media.mciSendString(QStringLiteral("play ") + device);
        return true;
    case SoundType::Wav:
        media.sndPlaySound(&image, SND_ASYNC | SND_MEMORY | SND_LOOP);
        return true;
    case SoundType::None:
        break;
    }
    return false;
}

void stopSound(Media &media, SoundType type, const QString &device)
{
    switch (type) {
    case SoundType::Mp3:
    case SoundType::Mid:
        media.mciSendString(QStringLiteral("close ") + device);
        break;
    case SoundType::Wav:
        media.sndPlaySound(nullptr, SND_NODEFAULT);
        break;
    case SoundType::None:
        break;
    }
}

} // namespace engine
