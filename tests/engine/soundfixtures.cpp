#include "soundfixtures.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <QtEndian>
#include <cmath>
#include <cstdlib>

namespace soundfixtures
{

namespace
{

void appendLe16(QByteArray &out, quint16 value)
{
    char bytes[2];
    qToLittleEndian(value, bytes);
    out.append(bytes, 2);
}

void appendLe32(QByteArray &out, quint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

void appendBe32(QByteArray &out, quint32 value)
{
    char bytes[4];
    qToBigEndian(value, bytes);
    out.append(bytes, 4);
}

// A MIDI variable-length quantity.
void appendVarLen(QByteArray &out, quint32 value)
{
    QByteArray bytes(1, char(value & 0x7f));
    while (value >>= 7)
        bytes.prepend(char(0x80 | (value & 0x7f)));
    out.append(bytes);
}

} // namespace

QByteArray toneWav(double seconds, double frequency, int rate, int amplitude)
{
    const int frames = int(std::lround(seconds * rate));
    QByteArray out;
    out.append("RIFF", 4);
    appendLe32(out, quint32(36 + 2 * frames));
    out.append("WAVE", 4);
    out.append("fmt ", 4);
    appendLe32(out, 16);
    appendLe16(out, 1); // PCM
    appendLe16(out, 1); // mono
    appendLe32(out, quint32(rate));
    appendLe32(out, quint32(rate * 2));
    appendLe16(out, 2);
    appendLe16(out, 16);
    out.append("data", 4);
    appendLe32(out, quint32(2 * frames));
    for (int i = 0; i < frames; ++i) {
        const double value = amplitude * std::sin(2 * M_PI * frequency * i / rate);
        appendLe16(out, quint16(qint16(std::lround(value))));
    }
    return out;
}

QByteArray noteMidi(int noteMs)
{
    // 480 ticks per quarter note at the default 120 beats a minute: one tick per 1/960 s.
    const quint32 ticks = quint32(noteMs) * 960 / 1000;
    QByteArray track;
    track.append("\x00\xc0\x00", 3);     // piano
    track.append("\x00\x90\x48\x64", 4); // note on, C5
    appendVarLen(track, ticks);
    track.append("\x80\x48\x40", 3);     // note off
    track.append("\x00\xff\x2f\x00", 4); // end of track

    QByteArray out;
    out.append("MThd", 4);
    appendBe32(out, 6);
    out.append("\x00\x00\x00\x01\x01\xe0", 6); // format 0, one track, 480 ticks a quarter
    out.append("MTrk", 4);
    appendBe32(out, quint32(track.size()));
    out.append(track);
    return out;
}

QString dataPath(const QString &name)
{
    return QStringLiteral(OSTREVAN_TEST_DATA "/") + name;
}

QString quoted(const QString &path)
{
    return QLatin1Char('"') + path + QLatin1Char('"');
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

DiskAudio::DiskAudio(int delayMs)
    : m_path(m_dir.filePath(QStringLiteral("rendered.raw"))),
      m_oldDriver(qgetenv("SDL_AUDIODRIVER")),
      m_hadDriver(qEnvironmentVariableIsSet("SDL_AUDIODRIVER"))
{
    qputenv("SDL_AUDIODRIVER", "disk");
    qputenv("SDL_DISKAUDIOFILE", QFile::encodeName(m_path));
    qputenv("SDL_DISKAUDIODELAY", QByteArray::number(delayMs));
}

DiskAudio::~DiskAudio()
{
    if (m_hadDriver)
        qputenv("SDL_AUDIODRIVER", m_oldDriver);
    else
        qunsetenv("SDL_AUDIODRIVER");
    qunsetenv("SDL_DISKAUDIOFILE");
    qunsetenv("SDL_DISKAUDIODELAY");
}

qint64 DiskAudio::frames() const
{
    return QFileInfo(m_path).size() / (2 * Channels);
}

bool DiskAudio::waitForFrames(qint64 frames, int timeoutMs) const
{
    QElapsedTimer timer;
    timer.start();
    while (this->frames() < frames) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QThread::msleep(5);
    }
    return true;
}

QVector<qint16> DiskAudio::samples() const
{
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    QVector<qint16> out(bytes.size() / 2);
    for (qsizetype i = 0; i < out.size(); ++i)
        out[i] = qFromLittleEndian<qint16>(bytes.constData() + 2 * i);
    return out;
}

int peak(const QVector<qint16> &samples, qint64 from, qint64 to)
{
    int result = 0;
    const qint64 end = std::min<qint64>(to * DiskAudio::Channels, samples.size());
    for (qint64 i = std::max<qint64>(from, 0) * DiskAudio::Channels; i < end; ++i)
        result = std::max(result, std::abs(int(samples[i])));
    return result;
}

qint64 firstLoudFrame(const QVector<qint16> &samples, int threshold, qint64 from)
{
    for (qint64 i = from * DiskAudio::Channels; i < samples.size(); ++i) {
        if (std::abs(int(samples[i])) > threshold)
            return i / DiskAudio::Channels;
    }
    return -1;
}

qint64 firstQuietWindow(const QVector<qint16> &samples, int threshold, qint64 from, qint64 to)
{
    const qint64 window = DiskAudio::Rate / 100;
    for (qint64 start = from; start + window <= to; start += window) {
        if (peak(samples, start, start + window) <= threshold)
            return start;
    }
    return -1;
}

} // namespace soundfixtures
