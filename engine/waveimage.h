#pragma once

#include <QByteArray>

namespace engine
{

// The longest stretch of a WAV image that is played: an alarm loop longer than ten minutes
// is cut there, so a long, low-rate recording cannot grow into gigabytes once it is decoded
// to the output format.
inline constexpr int MaxWaveSeconds = 600;

// A RIFF/WAVE image trimmed of its trailing blanks may be shorter than its header says. This
// returns a copy holding only the RIFF header, the "fmt " chunk and the "data" chunk, with
// every size rewritten to the bytes actually present (the data cut to whole frames and to
// MaxWaveSeconds), so the decoder neither reads nor allocates past the image. Returns an
// empty array when the image has no complete "fmt " chunk followed by at least one frame of
// data.
QByteArray fitWaveImage(const QByteArray &image);

} // namespace engine
