#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <cmath>

// Sound data made in the test, and small file helpers.
namespace soundfixtures
{

inline void appendLe(QByteArray &out, quint32 value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.append(char(value >> (8 * i)));
}

// A 16-bit mono 44.1 kHz PCM WAV image of a sine tone peaking at 12000, with a 44-byte header.
inline QByteArray toneWav(double seconds, double frequency = 440.0)
{
    const quint32 frames = quint32(std::lround(seconds * 44100));
    QByteArray out("RIFF");
    appendLe(out, 36 + 2 * frames, 4);
    // "fmt " chunk: PCM, mono, 44100 Hz, 88200 bytes a second, 2-byte frames, 16 bits.
    out.append("WAVEfmt \x10\0\0\0\x01\0\x01\0\x44\xac\0\0\x88\x58\x01\0\x02\0\x10\0data", 32);
    appendLe(out, 2 * frames, 4);
    for (quint32 i = 0; i < frames; ++i)
        appendLe(out, quint16(std::lround(12000 * std::sin(2 * M_PI * frequency * i / 44100))), 2);
    return out;
}

// A one-track MIDI file: one piano note (C5) held for 0.3 s, then the end of the track.
inline QByteArray noteMidi()
{
    return QByteArray("MThd\0\0\0\x06\0\0\0\x01\x01\xe0MTrk\0\0\0\x10"
                      "\0\xc0\0\0\x90\x48\x64\x82\x20\x80\x48\x40\0\xff\x2f\0",
                      38);
}

// tone-1s.mp3 there is one second of a 440 Hz sine, 16 kHz mono (`lame -b 32 -m m`).
inline QString dataPath(const QString &name)
{
    return QStringLiteral(OSTREVAN_TEST_DATA "/") + name;
}

// The device text of a path: the path in double quotes.
inline QString quoted(const QString &path)
{
    return QLatin1Char('"') + path + QLatin1Char('"');
}

inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace soundfixtures
