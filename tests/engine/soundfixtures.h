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

// A mono 44.1 kHz integer PCM WAV image of a sine tone peaking at 12000 (in 16-bit terms),
// with a 44-byte header; 16 or 24 bits a sample.
inline QByteArray toneWav(double seconds, double frequency = 440.0, int bits = 16)
{
    const quint32 frames = quint32(std::lround(seconds * 44100)), width = quint32(bits / 8);
    QByteArray out("RIFF");
    appendLe(out, 36 + width * frames, 4);
    // "fmt " chunk: PCM, mono, 44100 Hz, bytes a second, bytes a frame, bits a sample.
    out.append("WAVEfmt \x10\0\0\0\x01\0\x01\0\x44\xac\0\0", 20);
    appendLe(out, 44100 * width, 4);
    appendLe(out, width, 2);
    appendLe(out, quint32(bits), 2);
    out.append("data", 4);
    appendLe(out, width * frames, 4);
    for (quint32 i = 0; i < frames; ++i) {
        const double sample = 12000 * std::sin(2 * M_PI * frequency * i / 44100);
        appendLe(out, quint32(std::lround(sample * (1 << (bits - 16)))), int(width));
    }
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
// sounds/ there holds bad and odd files, made by its generate.py.
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

inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The WAV image `wav` (as toneWav makes it) with a "LIST" chunk of `listSize` zero bytes put
// before its format, written in an instant: the zeros are a hole in the file. So a file far
// larger than LoadSound reads still holds a short sound, which loops quickly, behind a chunk
// that a decoder reading chunks into memory would have to hold.
inline bool writeWavBehindList(const QString &path, const QByteArray &wav, quint32 listSize)
{
    QByteArray head("RIFF");
    appendLe(head, quint32(4 + 8 + listSize + wav.size() - 12), 4);
    head.append("WAVELIST", 8);
    appendLe(head, listSize, 4);
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(head) == head.size() &&
           file.resize(head.size() + qint64(listSize)) && file.seek(file.size()) &&
           file.write(wav.mid(12)) == wav.size() - 12;
}

} // namespace soundfixtures
