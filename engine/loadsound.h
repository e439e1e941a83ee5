#pragma once

#include <QByteArray>
#include <QString>

namespace engine
{

// The largest sound file LoadSound reads, 64 MiB (six minutes of CD sound). A WAV image is held
// in memory while it plays and decoded once more by the player, so a larger file is not read
// into memory: a WAV sound that large is played from its file instead (see playSound).
inline constexpr qint64 MaxSoundFileSize = 64 * 1024 * 1024;

// The whole file, byte for byte, without the blanks (byte 32 only) at either end. Returns an
// empty array when the file is missing, is not a regular file, cannot be read, or is larger
// than MaxSoundFileSize.
QByteArray LoadSound(const QString &FileName);

// Whether FileName is a regular file that LoadSound refuses for its size alone.
bool isTooLargeToLoad(const QString &FileName);

} // namespace engine
