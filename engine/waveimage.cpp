#include "engine/waveimage.h"

#include <QtEndian>
#include <algorithm>

namespace engine
{

namespace
{

constexpr qsizetype RiffHeaderSize = 12;
constexpr qsizetype ChunkHeaderSize = 8;
// The common part of every "fmt " chunk: format tag, channels, rate, byte rate, block align.
constexpr qint64 MinFormatSize = 14;

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

QByteArray fitWaveImage(const QByteArray &image)
{
    if (image.size() < RiffHeaderSize || !image.startsWith("RIFF") || image.mid(8, 4) != "WAVE")
        return {};

    const char *const base = image.constData();
    const qint64 size = image.size();
    QByteArray format;
    qint64 pos = RiffHeaderSize;
    while (pos + ChunkHeaderSize <= size) {
        const char *const header = base + pos;
        const qint64 declared = readLe32(header + 4);
        const qint64 body = pos + ChunkHeaderSize;
        const qint64 available = std::min(declared, size - body);

        if (qstrncmp(header, "fmt ", 4) == 0 && format.isEmpty()) {
            // A format cut short leaves nothing to play: the data would follow it.
            if (declared < MinFormatSize || available < declared)
                return {};
            format = image.mid(body, declared);
        } else if (qstrncmp(header, "data", 4) == 0) {
            if (format.isEmpty())
                return {};
            const quint16 blockAlign = readLe16(format.constData() + 12);
            const quint32 byteRate = readLe32(format.constData() + 8);
            qint64 length = available;
            if (byteRate > 0)
                length = std::min(length, qint64(byteRate) * MaxWaveSeconds);
            if (blockAlign > 1)
                length -= length % blockAlign;
            if (length <= 0)
                return {};

            QByteArray out;
            out.reserve(RiffHeaderSize + 2 * ChunkHeaderSize + format.size() + 1 + length);
            out.append("RIFF", 4);
            appendLe32(out, 0); // set below
            out.append("WAVE", 4);
            out.append("fmt ", 4);
            appendLe32(out, quint32(format.size()));
            out.append(format);
            if (format.size() & 1)
                out.append('\0'); // chunks start on even offsets
            out.append("data", 4);
            appendLe32(out, quint32(length));
            out.append(base + body, length);
            qToLittleEndian(quint32(out.size() - ChunkHeaderSize), out.data() + 4);
            return out;
        }
        // Chunks start on even offsets: an odd-sized chunk is followed by a pad byte.
        pos = body + declared + (declared & 1);
    }
    return {};
}

} // namespace engine
