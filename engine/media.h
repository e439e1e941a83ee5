#pragma once

#include <QByteArray>
#include <QString>

namespace engine
{

// Flags of sndPlaySound, with the values the desktop's sound call gives them.
inline constexpr unsigned SND_ASYNC = 0x1;
inline constexpr unsigned SND_NODEFAULT = 0x2;
inline constexpr unsigned SND_MEMORY = 0x4;
inline constexpr unsigned SND_LOOP = 0x8;

// The sound services the alarm and the Options window's test sound use: string commands on a
// device named by a quoted file path ("open \"x.mp3\"", "play ...", "close ..."), and a
// looping WAV sound: an image in memory with SND_MEMORY, otherwise the file whose name the
// bytes hold (for a sound too large to load). Results follow the original calls:
// mciSendString returns 0 on success and an error code otherwise; sndPlaySound returns true on
// success. Nothing throws.
class Media
{
public:
    virtual ~Media() = default;
    virtual long mciSendString(const QString &command) = 0;
    // sound == nullptr with SND_NODEFAULT stops the sound that plays.
    virtual bool sndPlaySound(const QByteArray *sound, unsigned flags) = 0;
};

} // namespace engine
