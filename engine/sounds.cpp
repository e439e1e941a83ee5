#include "engine/sounds.h"

#include "engine/loadsound.h"
#include "engine/media.h"

#include <QFile>

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
        // A sound too large to load loops from its file, named as the desktop's call names
        // one: the bytes of its path, without SND_MEMORY.
        if (image.isEmpty() && isTooLargeToLoad(path)) {
            const QByteArray name = QFile::encodeName(path);
            media.sndPlaySound(&name, SND_ASYNC | SND_NODEFAULT | SND_LOOP);
        } else {
            media.sndPlaySound(&image, SND_ASYNC | SND_MEMORY | SND_LOOP);
        }
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
