// The SDL media backend: its commands and failures, and what it plays, heard through SDL's
// disk audio driver.
#include "engine/loadsound.h"
#include "engine/mcierror.h"
#include "engine/sdlmedia.h"
#include "engine/sounds.h"
#include "engine/soundtype.h"
#include "soundfixtures.h"

#include <QCoreApplication>
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
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace engine;
using namespace soundfixtures;

namespace
{

constexpr unsigned LoopFromMemory = SND_ASYNC | SND_MEMORY | SND_LOOP;
constexpr unsigned LoopFromFile = SND_ASYNC | SND_NODEFAULT | SND_LOOP;
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
    // Waits until that many frames are written, taking the events the player posts meanwhile;
    // false after a minute, a guard against a hang only.
    bool waitForFrames(qint64 count) const
    {
        QElapsedTimer timer;
        timer.start();
        while (frames() < count && timer.elapsed() < 60000) {
            QCoreApplication::processEvents();
            QThread::msleep(5);
        }
        return frames() >= count;
    }
    // All samples written so far, interleaved, in the machine's byte order.
    QVector<qint16> samples() const
    {
        const QByteArray bytes = readFile(path());
        QVector<qint16> out(bytes.size() / 2);
        if (!out.isEmpty())
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

// The first loud frame at or after `from` (where the output stood before the sound was
// started), in the output up to a second after the call that started it returned, or -1.
qint64 waitForSound(const DiskAudio &disk, qint64 from = 0)
{
    const QVector<qint16> samples =
        disk.waitForFrames(disk.frames() + frames(1.0)) ? disk.samples() : QVector<qint16>();
    for (qint64 i = from * Channels; i < samples.size(); ++i) {
        if (std::abs(int(samples[i])) > Loud)
            return i / Channels;
    }
    return -1;
}

// Whether a loud frame comes out before `seconds` of output follow the call that started the
// sound (the output the device wrote before that call returned counts too); false as soon as
// the device is closed, since nothing plays then.
bool heardWithin(const DiskAudio &disk, double seconds)
{
    const qint64 until = disk.frames() + frames(seconds);
    QElapsedTimer timer;
    timer.start();
    while (audioIsOpen() && timer.elapsed() < 60000) {
        const QVector<qint16> samples = disk.samples();
        if (peak(samples, 0, until) > Loud)
            return true;
        if (samples.size() / Channels >= until)
            return false;
        QCoreApplication::processEvents();
        QThread::msleep(5);
    }
    return false;
}

// Files and pipes the process holds open.
int openFileCount()
{
    return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System).size());
}

// The most resident memory the process has had, in MiB.
qint64 peakResidentMiB()
{
    rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss >> 10;
}

} // namespace

TEST(SdlMedia, AnswersCommandsOnlyForOpenDevicesAndRefusesWhatItCannotPlayOrHasNoDeviceFor)
{
    DiskAudio disk;
    QTemporaryDir dir;
    const auto path = [&](const char *name) { return dir.filePath(QString::fromUtf8(name)); };
    const QByteArray wav = toneWav(0.1), text("This is not a sound.\n"), empty;
    ASSERT_TRUE(writeFile(path("text.mp3"), text) && writeFile(path("header.wav"), wav.left(30)) &&
                writeFile(path("sound.ogg"), wav));

    SdlMedia media;
    const QString mp3 = dataPath(QStringLiteral("tone-1s.mp3")), device = quoted(mp3);
    const std::pair<QString, long> cases[] = {
        {"", MCIERR_MISSING_COMMAND_STRING},
        {"stop " + device, MCIERR_UNRECOGNIZED_COMMAND},
        {"open", MCIERR_MISSING_DEVICE_NAME},
        {"open \"\"", MCIERR_MISSING_DEVICE_NAME},
        {"open " + mp3, MCIERR_INVALID_DEVICE_NAME},
        {"open \"" + mp3, MCIERR_NO_CLOSING_QUOTE},
        // No device types, aliases or options: only the quoted path.
        {"open " + device + " alias a", MCIERR_UNRECOGNIZED_KEYWORD},
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

    // Files it cannot play: each open fails, and lets the device go again. Empty files,
    // folders and FIFOs ring silently in the SdlSound cases.
    const std::pair<const char *, long> files[] = {
        {"missing.mp3", MCIERR_FILE_NOT_FOUND},
        {"text.mp3", MCIERR_INVALID_FILE},
        {"header.wav", MCIERR_INVALID_FILE},
        {"sound.ogg", MCIERR_EXTENSION_NOT_FOUND},
    };
    for (const auto &c : files) {
        const QString device = quoted(path(c.first));
        EXPECT_EQ(media.mciSendString("open " + device), c.second) << c.first;
        EXPECT_EQ(media.mciSendString("play " + device), MCIERR_INVALID_DEVICE_NAME) << c.first;
        EXPECT_FALSE(audioIsOpen()) << c.first;
    }
    // What trimming leaves of a WAV whose samples are all blanks: the header alone.
    const QByteArray headerOnly = wav.left(44);
    for (const QByteArray *image : {&headerOnly, &text, &empty})
        EXPECT_FALSE(media.sndPlaySound(image, LoopFromMemory));
    // Without SND_MEMORY the bytes name a file, and these name none; without SND_ASYNC the
    // caller would wait for the sound to end, which is not offered, nor flags we do not know.
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

    // Without an audio device every sound fails, and leaves nothing open.
    const QString unwritable = path("no/such/folder/out.raw");
    const QByteArray name = QFile::encodeName(dataPath(QStringLiteral("sounds/smpl-loops.wav")));
    // A driver SDL does not have, and one that cannot open its output.
    for (const char *driver : {"no-such-driver", "disk"}) {
        qputenv("SDL_AUDIODRIVER", driver);
        qputenv("SDL_DISKAUDIOFILE", QFile::encodeName(unwritable));
        SdlMedia deviceless;
        EXPECT_FALSE(deviceless.sndPlaySound(&wav, LoopFromMemory)) << driver;
        EXPECT_EQ(deviceless.mciSendString("open " + device), MCIERR_HARDWARE) << driver;
        EXPECT_FALSE(deviceless.sndPlaySound(&name, LoopFromFile)) << driver;
        // And again: a failure leaves nothing half-open behind.
        EXPECT_FALSE(deviceless.sndPlaySound(&wav, LoopFromMemory)) << driver;
        EXPECT_EQ(SDL_WasInit(SDL_INIT_EVERYTHING), 0u) << driver;
    }
    EXPECT_FALSE(QFileInfo::exists(unwritable));
}

TEST(SdlSound, TrimmedWavAlarmRepeatsUntilSilencedAndADevicePlaysOnce)
{
    QTemporaryDir dir;
    DiskAudio disk;
    SdlMedia media;
    struct sigaction before = {}, after = {};
    sigaction(SIGTERM, nullptr, &before);
    // An open device keeps the output running, so the silence after the stop is rendered.
    const QString device = quoted(dataPath(QStringLiteral("tone-1s.mp3")));
    ASSERT_EQ(media.mciSendString("open " + device), 0);
    const qint64 playedAt = disk.frames();
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
    // The program must still end on SIGINT and SIGTERM, not SDL's handlers.
    sigaction(SIGTERM, nullptr, &after);
    EXPECT_EQ(after.sa_handler, before.sa_handler);

    const qint64 start = waitForSound(disk, playedAt);
    ASSERT_GE(start, 0);
    ASSERT_TRUE(disk.waitForFrames(start + frames(1.3)));
    // Twelve times its length later it still sounds, with no gap at the joins and no silence
    // standing in for the missing part.
    EXPECT_TRUE(soundsThroughout(disk.samples(), start, start + frames(1.2)));
    EXPECT_TRUE(media.sndPlaySound(nullptr, SND_NODEFAULT));
    const qint64 stoppedAt = disk.frames();
    munmap(memory, pages * page);
    ASSERT_TRUE(disk.waitForFrames(stoppedAt + Margin + frames(0.4)));
    EXPECT_LE(peak(disk.samples(), stoppedAt + Margin, stoppedAt + Margin + frames(0.4)), Quiet);

    // The device plays its one second once; closing one that does not play leaves it alone.
    const QString other = quoted(dir.filePath(QStringLiteral("other é.wav")));
    ASSERT_TRUE(writeFile(dir.filePath(QStringLiteral("other é.wav")), toneWav(1.0, 660.0)));
    ASSERT_EQ(media.mciSendString("open " + other), 0);
    const qint64 devicePlayedAt = disk.frames();
    ASSERT_EQ(media.mciSendString("play " + device), 0);
    EXPECT_EQ(media.mciSendString("close " + other), 0);
    const qint64 deviceStart = waitForSound(disk, devicePlayedAt);
    ASSERT_GE(deviceStart, 0);
    ASSERT_TRUE(disk.waitForFrames(deviceStart + frames(1.8)));
    const QVector<qint16> rendered = disk.samples();
    EXPECT_TRUE(soundsThroughout(rendered, deviceStart, deviceStart + frames(0.9)));
    EXPECT_LE(peak(rendered, deviceStart + frames(1.3), deviceStart + frames(1.8)), Quiet);
    EXPECT_EQ(media.mciSendString("close " + device), 0);
}

TEST(SdlSound, BadAndOddFilesRingOrStaySilentAndNothingIsLeftOpen)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("Zvuky \"budíku\" 目覚まし"));
    ASSERT_TRUE(QDir().mkpath(folder));
    // Odd names are made here, in a folder with quotes, blanks and non-ASCII letters of its
    // own; in the repository they would be fragile. Bad files come from sounds/ there, and the
    // alarm sounds the program ships from its resources.
    const QByteArray mp3 = readFile(dataPath(QStringLiteral("tone-1s.mp3"))), wav = toneWav(0.3);
    const QByteArray Bad("<sounds/>"), Shipped("<shipped>"), Folder("<folder>"), Fifo("<fifo>");
    // Alarm: as the alarm rings the file. FromFile: as a WAV too large to load rings.
    enum How { Alarm = 1, FromFile = 2, Both = 3 };
    const struct {
        const char *name;
        QByteArray bytes;
        How how;
        bool audible;
    } cases[] = {
        {"chime.wav", Shipped, Alarm, true},
        {"bells.mp3", Shipped, Alarm, true},
        {"melody.mid", Shipped, Alarm, true},
        {"say \"ring\" now.mp3", mp3, Alarm, true},
        {"\"one\" note.MID", noteMidi(), Alarm, true},
        {"wake \"up\".wav", wav, Both, true},
        // The name picks the decoder; the content's own header picks another one if need be.
        {"wav-in.mp3", wav, Alarm, true},
        {"midi-in.mp3", noteMidi(), Alarm, true},
        {"mp3-in.mid", mp3, Alarm, true},
        // A WAV name rings a WAV sound only, as the desktop's call does.
        {"mp3-in.wav", mp3, Both, false},
        {"text.wav", "Not a sound.", Alarm, false},
        {"tone 24-bit.wav", toneWav(0.3, 440, 24), FromFile, true},
        {"folder.mp3", Folder, Alarm, false},
        // A FIFO would block whoever opens it for reading.
        {"fifo.mid", Fifo, Alarm, false},
        {"fifo.wav", Fifo, FromFile, false},
        {"truncated.mp3", Bad, Alarm, true},
        {"empty.mp3", Bad, Alarm, false},
        {"id3-only.mp3", Bad, Alarm, false},
        {"lying-header.wav", Bad, Both, true},
        // Handed to SDL_mixer's WAV stream reader as they are, these two crash it.
        {"smpl-loops.wav", Bad, FromFile, true},
        {"zero-channels.wav", Bad, Both, false},
        {"garbage-tracks.mid", Bad, Alarm, false},
        {"random.mid", Bad, Alarm, false},
    };
    const int openBefore = openFileCount();
    {
        DiskAudio disk;
        SdlMedia media;
        for (const auto &c : cases) {
            const QString name = QString::fromUtf8(c.name);
            const QString path = c.bytes == Bad       ? dataPath("sounds/" + name)
                                 : c.bytes == Shipped ? dataPath("../../resources/sounds/" + name)
                                                      : folder + '/' + name;
            const bool made = c.bytes == Folder ? QDir().mkdir(path)
                              : c.bytes == Fifo ? mkfifo(QFile::encodeName(path), 0600) == 0
                                                : c.bytes == Bad || c.bytes == Shipped ||
                                                      writeFile(path, c.bytes);
            ASSERT_TRUE(made) << c.name;
            for (const How how : {Alarm, FromFile}) {
                if (!(c.how & how))
                    continue;
                SCOPED_TRACE(
                    qPrintable(path + (how == Alarm ? " as the alarm" : " from its file")));
                // The device closes after each sound, and the next one that opens starts a new
                // file.
                QFile::remove(disk.path());
                const SoundType type = soundTypeOf(path);
                QString device;
                const QByteArray fileName = QFile::encodeName(path);
                if (how == Alarm)
                    playSound(media, type, path, LoadSound(path), device);
                else
                    media.sndPlaySound(&fileName, LoopFromFile);
                EXPECT_EQ(heardWithin(disk, 1.0), c.audible);
                if (how == Alarm)
                    stopSound(media, type, device);
                else
                    media.sndPlaySound(nullptr, SND_NODEFAULT);
                EXPECT_FALSE(audioIsOpen());
            }
        }
    }
    EXPECT_EQ(openFileCount(), openBefore);
}

TEST(SdlSound, WavTooLargeToLoadLoopsFromItsFileInLittleMemoryAndAfterADeviceHasPlayed)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("long \"alarm\" 目覚まし.wav"));
    // 0.2 s of sound in a file of 256 MiB: the rest is a LIST chunk, which a reader of every
    // chunk would hold in memory.
    ASSERT_TRUE(writeWavBehindList(path, toneWav(0.2, 660.0), 256u << 20));
    const QByteArray image = LoadSound(path);
    ASSERT_TRUE(image.isEmpty());
    const QString device = quoted(dataPath(QStringLiteral("tone-1s.mp3")));
    DiskAudio disk;
    SdlMedia media;
    QString loop;
    const qint64 peakBefore = peakResidentMiB();
    ASSERT_TRUE(playSound(media, SoundType::Wav, path, image, loop));
    EXPECT_LE(peakResidentMiB(), peakBefore + 128);
    const qint64 start = waitForSound(disk);
    ASSERT_GE(start, 0);
    // Four times its own length later it still sounds, without a gap at the joins.
    EXPECT_TRUE(soundsThroughout(disk.samples(), start, start + frames(0.8)));

    // The MP3 takes the music stream for its one second; after it the loop comes back.
    ASSERT_EQ(media.mciSendString("open " + device), 0);
    ASSERT_EQ(media.mciSendString("play " + device), 0);
    const qint64 playedAt = disk.frames();
    ASSERT_TRUE(disk.waitForFrames(playedAt + frames(2.6)));
    const QVector<qint16> rendered = disk.samples();
    EXPECT_TRUE(soundsThroughout(rendered, playedAt + Margin, playedAt + frames(0.8)));
    // The loop comes back through the event loop: allow it a second of output to do so.
    EXPECT_TRUE(soundsThroughout(rendered, playedAt + frames(2.1), playedAt + frames(2.6)));

    // Played again and closed at once: the loop comes back with the close.
    ASSERT_EQ(media.mciSendString("play " + device), 0);
    EXPECT_EQ(media.mciSendString("close " + device), 0);
    const qint64 closedAt = disk.frames();
    ASSERT_TRUE(disk.waitForFrames(closedAt + Margin + frames(0.5)));
    EXPECT_TRUE(
        soundsThroughout(disk.samples(), closedAt + Margin, closedAt + Margin + frames(0.5)));
    stopSound(media, SoundType::Wav, loop);
    EXPECT_FALSE(audioIsOpen());
}
