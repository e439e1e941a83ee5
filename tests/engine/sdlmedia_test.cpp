// The SDL media backend: its commands and failures, and what it plays, heard through SDL's
// disk audio driver.
#include "engine/loadsound.h"
#include "engine/mcierror.h"
#include "engine/sdlmedia.h"
#include "engine/soundtype.h"
#include "soundfixtures.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>
#include <SDL.h>
#include <SDL_mixer.h>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace engine;
using namespace soundfixtures;

namespace
{

constexpr unsigned LoopFromMemory = SND_ASYNC | SND_MEMORY | SND_LOOP;
constexpr qint64 Rate = 44100, Channels = 2;
// A change of sound reaches the output within a few buffers of 1024 frames.
constexpr qint64 Margin = 4 * 1024;
// The test tones peak near 12000; rendered silence is 0.
constexpr int Loud = 1000, Quiet = 16;

qint64 frames(double seconds)
{
    return qint64(seconds * Rate);
}

bool audioIsOpen()
{
    return Mix_QuerySpec(nullptr, nullptr, nullptr) != 0;
}

// Points SDL at its disk audio driver, which writes raw 16-bit stereo samples to a fresh file
// about twice as fast as real time. Made before the sound it is to hear opens the device.
class DiskAudio
{
public:
    DiskAudio()
    {
        qputenv("SDL_AUDIODRIVER", "disk");
        qputenv("SDL_DISKAUDIOFILE", QFile::encodeName(path()));
        qputenv("SDL_DISKAUDIODELAY", "10");
    }
    // SDL takes an empty driver name as none given.
    ~DiskAudio() { qputenv("SDL_AUDIODRIVER", m_oldDriver); }
    QString path() const { return m_dir.filePath(QStringLiteral("rendered.raw")); }
    qint64 frames() const { return QFileInfo(path()).size() / (2 * Channels); }
    // Waits until that many frames are written; false after 15 s.
    bool waitForFrames(qint64 count) const
    {
        QElapsedTimer timer;
        timer.start();
        while (frames() < count && timer.elapsed() < 15000)
            QThread::msleep(5);
        return frames() >= count;
    }
    // All samples written so far, interleaved, in the machine's byte order.
    QVector<qint16> samples() const
    {
        QFile file(path());
        const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        QVector<qint16> out(bytes.size() / 2);
        memcpy(out.data(), bytes.constData(), size_t(out.size()) * 2);
        return out;
    }

private:
    QTemporaryDir m_dir;
    const QByteArray m_oldDriver = qgetenv("SDL_AUDIODRIVER");
};

// The largest absolute sample of frames [from, to), both channels.
int peak(const QVector<qint16> &samples, qint64 from, qint64 to)
{
    int result = 0;
    for (qint64 i = from * Channels; i < std::min(to * Channels, qint64(samples.size())); ++i)
        result = std::max(result, std::abs(int(samples[i])));
    return result;
}

// Whether frames [from, to) are loud in every 10-ms window: no gap.
bool soundsThroughout(const QVector<qint16> &samples, qint64 from, qint64 to)
{
    for (qint64 at = from; at + Rate / 100 <= to; at += Rate / 100) {
        if (peak(samples, at, at + Rate / 100) <= Loud)
            return false;
    }
    return true;
}

// The first loud frame at or after `from` (where the output stood when the sound was started)
// in the second of output after it, or -1.
qint64 waitForSound(const DiskAudio &disk, qint64 from = 0)
{
    const QVector<qint16> samples =
        disk.waitForFrames(from + frames(1.0)) ? disk.samples() : QVector<qint16>();
    for (qint64 i = from * Channels; i < samples.size(); ++i) {
        if (std::abs(int(samples[i])) > Loud)
            return i / Channels;
    }
    return -1;
}

} // namespace

TEST(SdlMedia, ParsesCommandsAndAnswersOnlyForDevicesThatAreOpen)
{
    DiskAudio disk;
    SdlMedia media;
    const QString mp3 = dataPath(QStringLiteral("tone-1s.mp3")), device = quoted(mp3);
    const std::pair<QString, long> cases[] = {
        {"", MCIERR_MISSING_COMMAND_STRING},
        {"   ", MCIERR_MISSING_COMMAND_STRING},
        {"stop " + device, MCIERR_UNRECOGNIZED_COMMAND},
        {"opened " + device, MCIERR_UNRECOGNIZED_COMMAND},
        {"open", MCIERR_MISSING_DEVICE_NAME},
        {"open \"\"", MCIERR_MISSING_DEVICE_NAME},
        {"open " + mp3, MCIERR_INVALID_DEVICE_NAME},
        {"open \"" + mp3, MCIERR_NO_CLOSING_QUOTE},
        // No device types, aliases or options: only the quoted path.
        {"open " + device + " alias a", MCIERR_UNRECOGNIZED_KEYWORD},
        {"open \"a\"b.mp3\"", MCIERR_UNRECOGNIZED_KEYWORD},
        {"play " + device, MCIERR_INVALID_DEVICE_NAME},
        {"close " + device, MCIERR_INVALID_DEVICE_NAME},
    };
    for (const auto &c : cases)
        EXPECT_EQ(media.mciSendString(c.first), c.second) << qPrintable(c.first);
    // Nothing of SDL starts before a sound needs it.
    EXPECT_EQ(SDL_WasInit(SDL_INIT_EVERYTHING), 0u);
    EXPECT_FALSE(QFileInfo::exists(disk.path()));

    ASSERT_EQ(media.mciSendString("open " + device), 0);
    EXPECT_TRUE(audioIsOpen());
    EXPECT_EQ(media.mciSendString("open " + device), MCIERR_DEVICE_OPEN);
    // Verbs are not case-sensitive; the device name is the path exactly.
    EXPECT_EQ(media.mciSendString("PLAY " + device), 0);
    EXPECT_EQ(media.mciSendString("play " + device.toUpper()), MCIERR_INVALID_DEVICE_NAME);
    EXPECT_EQ(media.mciSendString("  close   " + device + " "), 0);
    EXPECT_EQ(media.mciSendString("close " + device), MCIERR_INVALID_DEVICE_NAME);
    EXPECT_EQ(media.mciSendString("play " + device), MCIERR_INVALID_DEVICE_NAME);
    // With nothing loaded the device is let go, so no audio thread runs while counting.
    EXPECT_FALSE(audioIsOpen());
    EXPECT_EQ(SDL_WasInit(SDL_INIT_EVERYTHING), 0u);
}

TEST(SdlMedia, RefusesWhatItCannotPlayAndStaysSilent)
{
    DiskAudio disk;
    QTemporaryDir dir;
    const auto path = [&](const char *name) { return dir.filePath(QString::fromUtf8(name)); };
    const QByteArray wav = toneWav(0.1), text("This is not a sound.\n"), empty;
    // A proper MIDI header over a track of noise: only playing it can tell.
    QByteArray noise = noteMidi();
    for (qsizetype i = 22; i < noise.size(); ++i)
        noise[i] = char(0xf4 + i % 3);
    ASSERT_TRUE(writeFile(path("empty.mp3"), {}) && writeFile(path("text.mp3"), text) &&
                writeFile(path("text.mid"), "MThd but nothing after it") &&
                writeFile(path("header.wav"), wav.left(30)) && writeFile(path("sound.ogg"), wav) &&
                writeFile(path("noise.mid"), noise));
    ASSERT_TRUE(QDir().mkdir(path("folder.mp3")));
    ASSERT_EQ(mkfifo(QFile::encodeName(path("fifo.mp3")).constData(), 0600), 0);

    SdlMedia media;
    const std::pair<const char *, long> cases[] = {
        {"missing.mp3", MCIERR_FILE_NOT_FOUND}, {"empty.mp3", MCIERR_INVALID_FILE},
        {"text.mp3", MCIERR_INVALID_FILE},      {"text.mid", MCIERR_INVALID_FILE},
        {"header.wav", MCIERR_INVALID_FILE},    {"folder.mp3", MCIERR_INVALID_FILE},
        {"fifo.mp3", MCIERR_INVALID_FILE},      {"sound.ogg", MCIERR_EXTENSION_NOT_FOUND},
    };
    for (const auto &c : cases) {
        const QString device = quoted(path(c.first));
        EXPECT_EQ(media.mciSendString("open " + device), c.second) << c.first;
        EXPECT_EQ(media.mciSendString("play " + device), MCIERR_INVALID_DEVICE_NAME) << c.first;
        EXPECT_FALSE(audioIsOpen()) << c.first;
    }
    const QString noisy = quoted(path("noise.mid"));
    if (media.mciSendString("open " + noisy) == 0) {
        media.mciSendString("play " + noisy);
        ASSERT_TRUE(disk.waitForFrames(disk.frames() + frames(0.5)));
        EXPECT_EQ(media.mciSendString("close " + noisy), 0);
    }

    // What trimming leaves of a WAV whose samples are all blanks: the header alone.
    const QByteArray headerOnly = wav.left(44);
    for (const QByteArray *image : {&headerOnly, &text, &empty})
        EXPECT_FALSE(media.sndPlaySound(image, LoopFromMemory));
    // Without SND_MEMORY the bytes would be a file name; without SND_ASYNC the caller would
    // wait for the sound to end. Neither is offered, nor flags we do not know.
    EXPECT_FALSE(media.sndPlaySound(&wav, SND_ASYNC | SND_LOOP));
    EXPECT_FALSE(media.sndPlaySound(&wav, SND_MEMORY | SND_LOOP));
    EXPECT_FALSE(media.sndPlaySound(&wav, LoopFromMemory | 0x10));
    EXPECT_TRUE(media.sndPlaySound(nullptr, SND_NODEFAULT));
    EXPECT_FALSE(audioIsOpen());
    const QVector<qint16> rendered = disk.samples();
    EXPECT_LE(peak(rendered, 0, rendered.size()), Quiet);

    // A sound that cannot play still silences the one before it.
    ASSERT_TRUE(media.sndPlaySound(&wav, LoopFromMemory));
    EXPECT_FALSE(media.sndPlaySound(&text, LoopFromMemory));
    EXPECT_FALSE(audioIsOpen());
}

TEST(SdlMedia, FailsFastWithoutAnAudioDevice)
{
    DiskAudio restoresTheDriver;
    QTemporaryDir dir;
    const QString unwritable = dir.filePath(QStringLiteral("no/such/folder/out.raw"));
    const QByteArray wav = toneWav(0.1);
    const QString device = quoted(dataPath(QStringLiteral("tone-1s.mp3")));
    // A driver SDL does not have, and one that cannot open its output.
    for (const char *driver : {"no-such-driver", "disk"}) {
        qputenv("SDL_AUDIODRIVER", driver);
        qputenv("SDL_DISKAUDIOFILE", QFile::encodeName(unwritable));
        QElapsedTimer timer;
        timer.start();
        SdlMedia media;
        EXPECT_FALSE(media.sndPlaySound(&wav, LoopFromMemory)) << driver;
        EXPECT_EQ(media.mciSendString("open " + device), MCIERR_HARDWARE) << driver;
        // And again: a failure leaves nothing half-open behind.
        EXPECT_FALSE(media.sndPlaySound(&wav, LoopFromMemory)) << driver;
        EXPECT_LT(timer.elapsed(), 2000) << driver;
        EXPECT_EQ(SDL_WasInit(SDL_INIT_EVERYTHING), 0u) << driver;
    }
    EXPECT_FALSE(QFileInfo::exists(unwritable));
}

TEST(SdlMedia, FindsTheInstalledGeneralMidiSoundfont)
{
    // SDL's own fallback may not find one; the test machine has the small TimGM6mb font.
    EXPECT_TRUE(QFileInfo(SdlMedia::soundFontPath()).isFile()) << "install timgm6mb-soundfont";
}

TEST(SdlSound, WavAlarmRepeatsUntilSilencedAndLeavesSignalsAlone)
{
    DiskAudio disk;
    SdlMedia media;
    struct sigaction before = {}, after = {};
    sigaction(SIGTERM, nullptr, &before);
    // An open device keeps the output running, so the silence after the stop is rendered.
    const QString device = quoted(dataPath(QStringLiteral("tone-1s.mp3")));
    ASSERT_EQ(media.mciSendString("open " + device), 0);
    const qint64 playedAt = disk.frames();
    const QByteArray wav = toneWav(0.2);
    ASSERT_TRUE(media.sndPlaySound(&wav, LoopFromMemory));
    // The program must still end on SIGINT and SIGTERM, not SDL's handlers.
    sigaction(SIGTERM, nullptr, &after);
    EXPECT_EQ(after.sa_handler, before.sa_handler);

    const qint64 start = waitForSound(disk, playedAt);
    ASSERT_GE(start, 0);
    ASSERT_TRUE(disk.waitForFrames(start + frames(1.3)));
    // Six times its own length later it still sounds, without a gap at the joins.
    EXPECT_TRUE(soundsThroughout(disk.samples(), start, start + frames(1.2)));
    const qint64 stoppedAt = disk.frames();
    EXPECT_TRUE(media.sndPlaySound(nullptr, SND_NODEFAULT));
    ASSERT_TRUE(disk.waitForFrames(stoppedAt + Margin + frames(0.4)));
    EXPECT_LE(peak(disk.samples(), stoppedAt + Margin, stoppedAt + Margin + frames(0.4)), Quiet);
    EXPECT_EQ(media.mciSendString("close " + device), 0);
}

TEST(SdlSound, Mp3AndMidiPlayOnceAndEndWhileAnotherDeviceCloses)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("Alarm sounds é"));
    ASSERT_TRUE(QDir().mkpath(folder) && writeFile(folder + "/one note.mid", noteMidi()) &&
                writeFile(folder + "/other.wav", toneWav(1.0, 660.0)));
    const struct {
        QString path;
        double loudFor, quietFrom;
    } cases[] = {{dataPath(QStringLiteral("tone-1s.mp3")), 0.9, 1.3},
                 {folder + "/one note.mid", 0.2, 1.0}};
    for (const auto &c : cases) {
        SCOPED_TRACE(qPrintable(c.path));
        DiskAudio disk;
        SdlMedia media;
        const QString device = quoted(c.path), other = quoted(folder + "/other.wav");
        ASSERT_EQ(media.mciSendString("open " + other), 0);
        ASSERT_EQ(media.mciSendString("open " + device), 0);
        const qint64 playedAt = disk.frames();
        ASSERT_EQ(media.mciSendString("play " + device), 0);
        // Closing a device that does not play leaves the one that does alone.
        EXPECT_EQ(media.mciSendString("close " + other), 0);

        const qint64 start = waitForSound(disk, playedAt);
        ASSERT_GE(start, 0);
        ASSERT_TRUE(disk.waitForFrames(start + frames(c.quietFrom + 0.5)));
        const QVector<qint16> rendered = disk.samples();
        EXPECT_TRUE(soundsThroughout(rendered, start, start + frames(c.loudFor)));
        // Silence after the end, until the device is closed.
        EXPECT_LE(peak(rendered, start + frames(c.quietFrom), start + frames(c.quietFrom + 0.5)),
                  Quiet);
        EXPECT_EQ(media.mciSendString("close " + device), 0);
    }
}

TEST(SdlSound, TrimmedWavImagePlaysWhatItHasWithoutReadingPast)
{
    DiskAudio disk;
    SdlMedia media;
    // The header promises 0.2 s; trimming left 0.1 s and one odd byte. It ends where an
    // unreadable page starts, so a read past the image crashes the test.
    const QByteArray bytes = toneWav(0.2).left(44 + 8820 + 1);
    const size_t page = size_t(sysconf(_SC_PAGESIZE)), pages = 3 + 1; // 3 hold the bytes
    char *memory = static_cast<char *>(
        mmap(nullptr, pages * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    ASSERT_EQ(mprotect(memory + 3 * page, page, PROT_NONE), 0);
    char *data =
        static_cast<char *>(memcpy(memory + 3 * page - bytes.size(), bytes.data(), bytes.size()));
    const QByteArray image = QByteArray::fromRawData(data, bytes.size());
    ASSERT_TRUE(media.sndPlaySound(&image, LoopFromMemory));
    const qint64 start = waitForSound(disk);
    ASSERT_GE(start, 0);
    ASSERT_TRUE(disk.waitForFrames(start + frames(0.6)));
    // The 0.1 s it has repeats with no silence standing in for the missing part.
    EXPECT_TRUE(soundsThroughout(disk.samples(), start, start + frames(0.5)));
    EXPECT_TRUE(media.sndPlaySound(nullptr, SND_NODEFAULT));
    munmap(memory, pages * page);
}

TEST(SdlSound, ShippedAlarmSoundsPlay)
{
    for (const char *name : {"chime.wav", "bells.mp3", "melody.mid"}) {
        const QString path = QStringLiteral(OSTREVAN_TEST_DATA "/../../resources/sounds/") + name;
        DiskAudio disk;
        SdlMedia media;
        // A WAV plays as the alarm plays it: loaded, trimmed, from memory.
        const QByteArray image = LoadSound(path);
        const bool played = soundTypeOf(path) == SoundType::Wav
                                ? media.sndPlaySound(&image, LoopFromMemory)
                                : media.mciSendString("open " + quoted(path)) == 0 &&
                                      media.mciSendString("play " + quoted(path)) == 0;
        EXPECT_TRUE(played && waitForSound(disk) >= 0) << name;
    }
}
