#include "engine/soundtype.h"

namespace engine
{

SoundType soundTypeOf(const QString &fname)
{
    if (fname.size() < 3)
        return SoundType::None;
    const QString ext = fname.right(3).toLower();
    if (ext == QLatin1String("mp3"))
        return SoundType::Mp3;
    if (ext == QLatin1String("mid"))
        return SoundType::Mid;
    if (ext == QLatin1String("wav"))
        return SoundType::Wav;
    return SoundType::None;
}

} // namespace engine
