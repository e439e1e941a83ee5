#pragma once

#include <QString>

namespace engine
{

// How an alarm sound is played, chosen by the file name's extension.
enum class SoundType { Mp3, Mid, Wav, None };

// The type named by the last three characters of fname, compared without regard to case:
// "x.WAV" is a WAV file, "x.wave" is nothing we play.
SoundType soundTypeOf(const QString &fname);

} // namespace engine
