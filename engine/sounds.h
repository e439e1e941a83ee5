#pragma once

#include "engine/soundtype.h"

#include <QByteArray>
#include <QString>

namespace engine
{

class Media;

// Starts a sound as the alarm and the Options window's test do: an MP3 or MIDI file through
// "open" and "play" on its quoted path, which becomes `device`; a WAV image looping from
// memory, or, when the image is empty because the file is too large to load, the WAV file
// looping from the file (sndPlaySound given its path). Returns false, playing nothing and
// leaving `device` alone, for any other type.
bool playSound(Media &media, SoundType type, const QString &path, const QByteArray &image,
               QString &device);

// Silences what playSound started for that type; a WAV sound from memory or from its file
// alike.
void stopSound(Media &media, SoundType type, const QString &device);

} // namespace engine
