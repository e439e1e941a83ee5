#pragma once

#include <QByteArray>
#include <functional>

namespace engine
{

// The longest stretch of a WAV image that is played from memory: an alarm loop longer than ten
// minutes is cut there, so a long, low-rate recording cannot grow into gigabytes once it is
// decoded to the output format.
inline constexpr int MaxWaveSeconds = 600;

// Where the sound of a RIFF/WAVE file lies: the body of its "fmt " chunk and the bytes of its
// first "data" chunk that are present, cut to whole frames.
struct WaveLayout {
    QByteArray format;
    qint64 dataOffset = 0;
    qint64 dataLength = 0; // 0: nothing to play
};

// Reads up to `length` bytes at `offset`; fewer at the end of the data.
using WaveReader = std::function<QByteArray(qint64 offset, qint64 length)>;

// Walks the chunks of a RIFF/WAVE file of `size` bytes, reading only chunk headers and the
// format, so a file far larger than memory can be looked at. Stops at the first "data" chunk
// after a "fmt " chunk and keeps what is present of it, at most `maxSeconds` of sound when
// that is above 0. A layout with dataLength 0 means there is no complete format followed by
// at least one frame of data.
WaveLayout findWaveLayout(const WaveReader &read, qint64 size, int maxSeconds = 0);

// The 44-odd bytes that make `format` and `dataLength` bytes of samples a WAV file of their own:
// the RIFF header, the "fmt " chunk and the header of the "data" chunk.
QByteArray waveHeader(const QByteArray &format, qint64 dataLength);

// A RIFF/WAVE image trimmed of its trailing blanks may be shorter than its header says. This
// returns a copy holding only the RIFF header, the "fmt " chunk and the "data" chunk, with
// every size rewritten to the bytes actually present (the data cut to whole frames and to
// MaxWaveSeconds), so the decoder neither reads nor allocates past the image. Returns an
// empty array when the image has no complete "fmt " chunk followed by at least one frame of
// data.
QByteArray fitWaveImage(const QByteArray &image);

} // namespace engine
