#include "engine/waveimage.h"

#include <QtEndian>
#include <algorithm>

namespace engine
{

namespace
{

constexpr qint64 RiffHeaderSize = 12;
constexpr qint64 ChunkHeaderSize = 8;
// The common part of every "fmt " chunk: format tag, channels, rate, byte rate, block align.
constexpr qint64 MinFormatSize = 14;
// The largest format there is: the extensible one with the most extra bytes its size field
// allows. Anything larger is no format, and is not read into memory.
constexpr qint64 MaxFormatSize = 18 + 0xffff;
// Real files have a handful of chunks; a file of millions of empty ones is not walked.
constexpr int MaxChunks = 4096;
// Sizes in a RIFF file are 32-bit: what lies beyond is not addressed by the header we write.
constexpr qint64 MaxDataLength = 0xffff0000;

quint32 readLe32(const char *p)
{
    return qFromLittleEndian<quint32>(p);
}
quint16 readLe16(const char *p)
{
    return qFromLittleEndian<quint16>(p);
}

void appendLe32(QByteArray &out, quint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

} // namespace

WaveLayout findWaveLayout(const WaveReader &read, qint64 size, int maxSeconds)
{
    WaveLayout layout;
    const QByteArray riff = read(0, RiffHeaderSize);
    if (riff.size() < RiffHeaderSize || !riff.startsWith("RIFF") || riff.mid(8, 4) != "WAVE")
        return {};

    qint64 pos = RiffHeaderSize;
    for (int chunks = 0; chunks < MaxChunks && pos + ChunkHeaderSize <= size; ++chunks) {
        const QByteArray header = read(pos, ChunkHeaderSize);
        if (header.size() < ChunkHeaderSize)
            return {};
        const qint64 declared = readLe32(header.constData() + 4);
        const qint64 body = pos + ChunkHeaderSize;
        const qint64 available = std::min(declared, size - body);

        if (header.startsWith("fmt ") && layout.format.isEmpty()) {
            // A format cut short leaves nothing to play: the data would follow it.
            if (declared < MinFormatSize || declared > MaxFormatSize || available < declared)
                return {};
            layout.format = read(body, declared);
            if (layout.format.size() < declared)
                return {};
        } else if (header.startsWith("data")) {
            if (layout.format.isEmpty())
                return {};
            const quint32 byteRate = readLe32(layout.format.constData() + 8);
            const quint16 blockAlign = readLe16(layout.format.constData() + 12);
            qint64 length = std::min(available, MaxDataLength);
            if (maxSeconds > 0 && byteRate > 0)
                length = std::min(length, qint64(byteRate) * maxSeconds);
            if (blockAlign > 1)
                length -= length % blockAlign;
            if (length <= 0)
                return {};
            layout.dataOffset = body;
            layout.dataLength = length;
            return layout;
        }
        // Chunks start on even offsets: an odd-sized chunk is followed by a pad byte.
        pos = body + declared + (declared & 1);
    }
    return {};
}

QByteArray waveHeader(const QByteArray &format, qint64 dataLength)
{
    QByteArray out;
    out.reserve(RiffHeaderSize + 2 * ChunkHeaderSize + format.size() + 1);
    out.append("RIFF", 4);
    appendLe32(out, 0); // set below
    out.append("WAVE", 4);
    out.append("fmt ", 4);
    appendLe32(out, quint32(format.size()));
    out.append(format);
    if (format.size() & 1)
        out.append('\0'); // chunks start on even offsets
    out.append("data", 4);
    appendLe32(out, quint32(dataLength));
    qToLittleEndian(quint32(out.size() - ChunkHeaderSize + dataLength), out.data() + 4);
    return out;
}

QByteArray fitWaveImage(const QByteArray &image)
{
    const WaveReader read = [&image](qint64 offset, qint64 length) {
        return image.mid(offset, length);
    };
    const WaveLayout layout = findWaveLayout(read, image.size(), MaxWaveSeconds);
    if (layout.dataLength <= 0)
        return {};
    QByteArray out = waveHeader(layout.format, layout.dataLength);
    out.reserve(out.size() + layout.dataLength);
    out.append(image.constData() + layout.dataOffset, layout.dataLength);
    return out;
}

} // namespace engine
