// What the SDL media backend actually plays, heard through SDL's disk audio driver.
#include "engine/loadsound.h"
#include "engine/sdlmedia.h"
#include "engine/soundtype.h"
#include "soundfixtures.h"

#include <QDir>
#include <QThread>
#include <SDL.h>
#include <SDL_mixer.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

using namespace engine;
using namespace soundfixtures;

namespace
{

constexpr unsigned LoopFromMemory = SND_ASYNC | SND_MEMORY | SND_LOOP;
constexpr qint64 Rate = DiskAudio::Rate;
// A change of sound reaches the output within a few buffers of 1024 frames.
constexpr qint64 Margin = 4 * 1024;

qint64 frames(double seconds)
{
    return qint64(seconds * Rate);
}

// The output must be what the checks read: 44.1 kHz, 16-bit, stereo.
void expectOutputFormat()
{
    int rate = 0, channels = 0;
    Uint16 format = 0;
    ASSERT_NE(Mix_QuerySpec(&rate, &format, &channels), 0);
    EXPECT_EQ(rate, Rate);
    EXPECT_EQ(format, AUDIO_S16LSB);
    EXPECT_EQ(channels, DiskAudio::Channels);
}

// Waits for the first sound in the output after frame `from` (where the output stood when
// the sound was started); -1 when none comes within `seconds` of output after it.
qint64 waitForSound(const DiskAudio &disk, qint64 from = 0, double seconds = 2.0)
{
    for (qint64 written = from + frames(0.1); written <= from + frames(seconds);
         written += frames(0.1)) {
        if (!disk.waitForFrames(written))
            return -1;
        const qint64 start = firstLoudFrame(disk.samples(), Loud, from);
        if (start >= 0)
            return start;
    }
    return -1;
}

// Memory whose end is followed by a page that cannot be read: a read past the end crashes.
class GuardedBytes
{
public:
    explicit GuardedBytes(const QByteArray &bytes)
    {
        const size_t page = size_t(sysconf(_SC_PAGESIZE));
        const size_t pages = (size_t(bytes.size()) + page - 1) / page + 1;
        m_size = pages * page;
        m_base = static_cast<char *>(
            mmap(nullptr, m_size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
        char *guard = m_base + m_size - page;
        mprotect(guard, page, PROT_NONE);
        m_data = guard - bytes.size();
        memcpy(m_data, bytes.constData(), size_t(bytes.size()));
        m_bytes = QByteArray::fromRawData(m_data, bytes.size());
    }
    ~GuardedBytes() { munmap(m_base, m_size); }
    const QByteArray &bytes() const { return m_bytes; }

private:
    char *m_base = nullptr;
    char *m_data = nullptr;
    size_t m_size = 0;
    QByteArray m_bytes;
};

} // namespace

TEST(SdlSound, WavAlarmRepeatsUntilSilenced)
{
    DiskAudio disk;
    SdlMedia media;
    const QByteArray wav = toneWav(0.2);
    // An open device keeps the output running, so the silence after the stop is rendered.
    const QString device = quoted(dataPath(QStringLiteral("tone-1s.mp3")));
    ASSERT_EQ(media.mciSendString(QStringLiteral("open ") + device), 0);
    const qint64 playedAt = disk.frames();
    ASSERT_TRUE(media.sndPlaySound(&wav, LoopFromMemory));
    expectOutputFormat();

    const qint64 start = waitForSound(disk, playedAt);
    ASSERT_GE(start, 0);
    ASSERT_TRUE(disk.waitForFrames(start + frames(1.3)));
    // Six times its own length later it still sounds, without a gap at the joins.
    EXPECT_EQ(firstQuietWindow(disk.samples(), Loud, start, start + frames(1.2)), -1);

    const qint64 stoppedAt = disk.frames();
    EXPECT_TRUE(media.sndPlaySound(nullptr, SND_NODEFAULT));
    ASSERT_TRUE(disk.waitForFrames(stoppedAt + Margin + frames(0.4)));
    const QVector<qint16> after = disk.samples();
    EXPECT_LE(peak(after, stoppedAt + Margin, stoppedAt + Margin + frames(0.4)), Quiet);

    EXPECT_EQ(media.mciSendString(QStringLiteral("close ") + device), 0);
    EXPECT_EQ(Mix_QuerySpec(nullptr, nullptr, nullptr), 0);
}

TEST(SdlSound, Mp3AlarmPlaysOnceAndEnds)
{
    DiskAudio disk;
    SdlMedia media;
    const QString device = quoted(dataPath(QStringLiteral("tone-1s.mp3")));
    ASSERT_EQ(media.mciSendString(QStringLiteral("open ") + device), 0);
    const qint64 playedAt = disk.frames();
    ASSERT_EQ(media.mciSendString(QStringLiteral("play ") + device), 0);
    expectOutputFormat();

    const qint64 start = waitForSound(disk, playedAt);
    ASSERT_GE(start, 0);
    ASSERT_TRUE(disk.waitForFrames(start + frames(1.8)));
    const QVector<qint16> rendered = disk.samples();
    // The one-second tone, then silence until the device is closed.
    EXPECT_EQ(firstQuietWindow(rendered, Loud, start, start + frames(0.9)), -1);
    EXPECT_LE(peak(rendered, start + frames(1.3), start + frames(1.8)), Quiet);
    EXPECT_EQ(media.mciSendString(QStringLiteral("close ") + device), 0);
}

TEST(SdlSound, MidiAlarmPlaysOnceAndEndsFromAPathWithBlanks)
{
    DiskAudio disk;
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("Alarm sounds é"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString path = folder + QStringLiteral("/one note.mid");
    ASSERT_TRUE(writeFile(path, noteMidi(300)));

    SdlMedia media;
    const QString device = quoted(path);
    ASSERT_EQ(media.mciSendString(QStringLiteral("open ") + device), 0);
    const qint64 playedAt = disk.frames();
    ASSERT_EQ(media.mciSendString(QStringLiteral("play ") + device), 0);

    const qint64 start = waitForSound(disk, playedAt);
    ASSERT_GE(start, 0);
    ASSERT_TRUE(disk.waitForFrames(start + frames(1.5)));
    const QVector<qint16> rendered = disk.samples();
    EXPECT_GT(peak(rendered, start, start + frames(0.3)), Loud);
    EXPECT_LE(peak(rendered, start + frames(1.0), start + frames(1.5)), Quiet);
    EXPECT_EQ(media.mciSendString(QStringLiteral("close ") + device), 0);
}

TEST(SdlSound, ClosingOneDeviceLeavesAnotherPlaying)
{
    DiskAudio disk;
    SdlMedia media;
    const QString tone = quoted(dataPath(QStringLiteral("tone-1s.mp3")));
    QTemporaryDir dir;
    const QString other = dir.filePath(QStringLiteral("other.wav"));
    ASSERT_TRUE(writeFile(other, toneWav(1.0, 660.0)));
    const QString second = quoted(other);

    // The Options window's test sound plays when the alarm starts its own, which takes over.
    ASSERT_EQ(media.mciSendString(QStringLiteral("open ") + second), 0);
    const qint64 secondPlayedAt = disk.frames();
    ASSERT_EQ(media.mciSendString(QStringLiteral("play ") + second), 0);
    ASSERT_GE(waitForSound(disk, secondPlayedAt), 0);
    ASSERT_EQ(media.mciSendString(QStringLiteral("open ") + tone), 0);
    const qint64 playedAt = disk.frames();
    ASSERT_EQ(media.mciSendString(QStringLiteral("play ") + tone), 0);
    ASSERT_TRUE(disk.waitForFrames(playedAt + Margin + frames(0.1)));
    EXPECT_EQ(media.mciSendString(QStringLiteral("close ") + second), 0);
    const qint64 closedAt = disk.frames();
    ASSERT_TRUE(disk.waitForFrames(closedAt + Margin + frames(0.2)));
    EXPECT_EQ(firstQuietWindow(disk.samples(), Loud, closedAt, closedAt + Margin + frames(0.2)),
              -1);
    EXPECT_EQ(media.mciSendString(QStringLiteral("close ") + tone), 0);
}

TEST(SdlSound, TrimmedWavImagePlaysWhatItHasWithoutReadingPast)
{
    DiskAudio disk;
    SdlMedia media;
    // The header promises 0.2 s; trimming left 0.1 s and one odd byte. Any read past the
    // image hits the guard page and crashes the test.
    const QByteArray full = toneWav(0.2);
    const GuardedBytes image(full.left(44 + 8820 + 1));
    ASSERT_TRUE(media.sndPlaySound(&image.bytes(), LoopFromMemory));

    const qint64 start = waitForSound(disk);
    ASSERT_GE(start, 0);
    ASSERT_TRUE(disk.waitForFrames(start + frames(0.6)));
    // The 0.1 s it has repeats with no silence standing in for the missing part.
    EXPECT_EQ(firstQuietWindow(disk.samples(), Loud, start, start + frames(0.5)), -1);
    EXPECT_TRUE(media.sndPlaySound(nullptr, SND_NODEFAULT));
}

TEST(SdlSound, UndecodableMidiIsSilentAndHarmless)
{
    DiskAudio disk;
    QTemporaryDir dir;
    // A proper header over a track of noise: only playing it can tell.
    QByteArray midi = noteMidi(300);
    const qsizetype track = midi.indexOf("MTrk") + 8;
    for (qsizetype i = track; i < midi.size(); ++i)
        midi[i] = char(0xf4 + i % 3);
    const QString path = dir.filePath(QStringLiteral("noise.mid"));
    ASSERT_TRUE(writeFile(path, midi));

    SdlMedia media;
    const QString device = quoted(path);
    const long opened = media.mciSendString(QStringLiteral("open ") + device);
    if (opened == 0) {
        media.mciSendString(QStringLiteral("play ") + device);
        ASSERT_TRUE(disk.waitForFrames(frames(0.5)));
        const QVector<qint16> rendered = disk.samples();
        EXPECT_LE(peak(rendered, 0, rendered.size() / DiskAudio::Channels), Quiet);
        EXPECT_EQ(media.mciSendString(QStringLiteral("close ") + device), 0);
    }
    EXPECT_EQ(Mix_QuerySpec(nullptr, nullptr, nullptr), 0);
}

TEST(SdlSound, ShippedAlarmSoundsPlay)
{
    const QDir sounds(QStringLiteral(OSTREVAN_TEST_DATA "/../../resources/sounds"));
    for (const char *name : {"chime.wav", "bells.mp3", "melody.mid"}) {
        SCOPED_TRACE(name);
        const QString path = sounds.filePath(QString::fromLatin1(name));
        DiskAudio disk;
        SdlMedia media;
        qint64 playedAt = 0;
        if (soundTypeOf(path) == SoundType::Wav) {
            // Played as the alarm plays it: loaded, trimmed, from memory.
            const QByteArray image = LoadSound(path);
            ASSERT_TRUE(media.sndPlaySound(&image, LoopFromMemory));
        } else {
            ASSERT_EQ(media.mciSendString(QStringLiteral("open ") + quoted(path)), 0);
            playedAt = disk.frames();
            ASSERT_EQ(media.mciSendString(QStringLiteral("play ") + quoted(path)), 0);
        }
        EXPECT_GE(waitForSound(disk, playedAt), 0);
    }
}
