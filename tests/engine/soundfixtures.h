#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <QVector>

// Sound data made in the test, and a reader for what SDL's disk audio driver renders.
namespace soundfixtures
{

// A 16-bit mono PCM WAV image of a sine tone with a canonical 44-byte header.
QByteArray toneWav(double seconds, double frequency = 440.0, int rate = 44100,
                   int amplitude = 12000);

// A one-track MIDI file: one piano note (C5) held for noteMs, then the end of the track.
QByteArray noteMidi(int noteMs);

// Path of a file in the test data folder. tone-1s.mp3 there is one second of a 440 Hz sine,
// 16 kHz mono, encoded with `lame -b 32 -m m` (the encoder is not needed to run the tests).
QString dataPath(const QString &name);

// The device text of a path: the path in double quotes.
QString quoted(const QString &path);

// Writes bytes to a file; false when it cannot.
bool writeFile(const QString &path, const QByteArray &bytes);

// Points SDL at its disk audio driver, writing raw 16-bit stereo samples to a fresh file at
// about delayMs per 1024-frame buffer (23 ms is real time). Set before the first sound call.
class DiskAudio
{
public:
    static constexpr int Rate = 44100;
    static constexpr int Channels = 2;

    explicit DiskAudio(int delayMs = 10);
    ~DiskAudio();

    QString path() const { return m_path; }
    // Frames written to the file so far.
    qint64 frames() const;
    // Waits until at least that many frames are written; false on timeout.
    bool waitForFrames(qint64 frames, int timeoutMs = 15000) const;
    // All samples written so far, interleaved.
    QVector<qint16> samples() const;

private:
    QTemporaryDir m_dir;
    QString m_path;
    QByteArray m_oldDriver;
    bool m_hadDriver = false;
};

// The largest absolute sample value of frames [from, to), both channels; 0 for no frames.
int peak(const QVector<qint16> &samples, qint64 from, qint64 to);
// The first frame at or after from whose absolute value exceeds threshold, or -1.
qint64 firstLoudFrame(const QVector<qint16> &samples, int threshold, qint64 from = 0);
// The first 10-ms window in [from, to) whose peak is at most threshold, or -1: a gap.
qint64 firstQuietWindow(const QVector<qint16> &samples, int threshold, qint64 from, qint64 to);

// Levels for the checks: the test tones peak near 12000, rendered silence is 0.
inline constexpr int Loud = 1000;
inline constexpr int Quiet = 16;

} // namespace soundfixtures
