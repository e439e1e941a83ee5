#pragma once

#include <QByteArray>
#include <QString>

namespace engine
{

// The largest sound file LoadSound reads, 64 MiB. Alarm sounds last seconds; a WAV image is
// held in memory while it plays and decoded once more by the player, so a larger file is
// treated as unreadable instead of being read into memory.
inline constexpr qint64 MaxSoundFileSize = 64 * 1024 * 1024;

// The whole file, byte for byte, without the blanks (byte 32 only) at either end. Returns an
// empty array when the file is missing, is not a regular file, cannot be read, or is larger
// than MaxSoundFileSize.
QByteArray LoadSound(const QString &FileName);

} // namespace engine
