// The SDL media backend's commands and failures: nothing here listens to the sound itself.
#include "engine/mcierror.h"
#include "engine/sdlmedia.h"
#include "soundfixtures.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <SDL.h>
#include <SDL_mixer.h>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace engine;
using namespace soundfixtures;

namespace
{

constexpr unsigned LoopFromMemory = SND_ASYNC | SND_MEMORY | SND_LOOP;

long send(SdlMedia &media, const QString &command)
{
    return media.mciSendString(command);
}

bool audioIsOpen()
{
    return Mix_QuerySpec(nullptr, nullptr, nullptr) != 0;
}

int threadCount()
{
    return int(QDir(QStringLiteral("/proc/self/task"))
                   .entryList(QDir::Dirs | QDir::NoDotAndDotDot)
                   .size());
}

} // namespace

TEST(SdlMedia, StartsNothingBeforeTheFirstSound)
{
    DiskAudio disk;
    const int threads = threadCount();
    {
        SdlMedia media;
        EXPECT_EQ(threadCount(), threads);
        EXPECT_EQ(SDL_WasInit(SDL_INIT_EVERYTHING), 0u);
        // Commands that fail before any file is touched do not start SDL either.
        EXPECT_NE(send(media, QStringLiteral("play \"x.mp3\"")), 0);
        EXPECT_NE(send(media, QStringLiteral("open x.mp3")), 0);
        EXPECT_EQ(SDL_WasInit(SDL_INIT_EVERYTHING), 0u);
    }
    EXPECT_FALSE(QFileInfo::exists(disk.path()));
}

TEST(SdlMedia, RejectsMalformedCommands)
{
    SdlMedia media;
    const QString mp3 = dataPath(QStringLiteral("tone-1s.mp3"));
    EXPECT_EQ(send(media, QString()), MCIERR_MISSING_COMMAND_STRING);
    EXPECT_EQ(send(media, QStringLiteral("   ")), MCIERR_MISSING_COMMAND_STRING);
    EXPECT_EQ(send(media, QStringLiteral("stop ") + quoted(mp3)), MCIERR_UNRECOGNIZED_COMMAND);
    EXPECT_EQ(send(media, QStringLiteral("opened ") + quoted(mp3)), MCIERR_UNRECOGNIZED_COMMAND);
    EXPECT_EQ(send(media, QStringLiteral("open")), MCIERR_MISSING_DEVICE_NAME);
    EXPECT_EQ(send(media, QStringLiteral("open \"\"")), MCIERR_MISSING_DEVICE_NAME);
    EXPECT_EQ(send(media, QStringLiteral("open ") + mp3), MCIERR_INVALID_DEVICE_NAME);
    EXPECT_EQ(send(media, QStringLiteral("open \"") + mp3), MCIERR_NO_CLOSING_QUOTE);
    // No device types, aliases or options: only the quoted path.
    EXPECT_EQ(send(media, QStringLiteral("open ") + quoted(mp3) + QStringLiteral(" alias a")),
              MCIERR_UNRECOGNIZED_KEYWORD);
    EXPECT_EQ(
        send(media, QStringLiteral("open ") + quoted(mp3) + QStringLiteral(" type mpegvideo")),
        MCIERR_UNRECOGNIZED_KEYWORD);
    EXPECT_EQ(send(media, QStringLiteral("open \"a\"b.mp3\"")), MCIERR_UNRECOGNIZED_KEYWORD);
    EXPECT_EQ(SDL_WasInit(SDL_INIT_EVERYTHING), 0u);
}

TEST(SdlMedia, AnswersOnlyForDevicesThatAreOpen)
{
    DiskAudio disk;
    SdlMedia media;
    const QString device = quoted(dataPath(QStringLiteral("tone-1s.mp3")));
    EXPECT_EQ(send(media, QStringLiteral("play ") + device), MCIERR_INVALID_DEVICE_NAME);
    EXPECT_EQ(send(media, QStringLiteral("close ") + device), MCIERR_INVALID_DEVICE_NAME);

    ASSERT_EQ(send(media, QStringLiteral("open ") + device), 0);
    EXPECT_TRUE(audioIsOpen());
    EXPECT_EQ(send(media, QStringLiteral("open ") + device), MCIERR_DEVICE_OPEN);
    // Verbs are not case-sensitive; the device name is the path exactly.
    EXPECT_EQ(send(media, QStringLiteral("PLAY ") + device), 0);
    EXPECT_EQ(send(media, QStringLiteral("play ") + device.toUpper()), MCIERR_INVALID_DEVICE_NAME);
    EXPECT_EQ(send(media, QStringLiteral("  close   ") + device + QStringLiteral(" ")), 0);
    EXPECT_EQ(send(media, QStringLiteral("close ") + device), MCIERR_INVALID_DEVICE_NAME);
    EXPECT_EQ(send(media, QStringLiteral("play ") + device), MCIERR_INVALID_DEVICE_NAME);
    // With nothing loaded the device is let go, so no audio thread runs while counting.
    EXPECT_FALSE(audioIsOpen());
    EXPECT_EQ(SDL_WasInit(SDL_INIT_EVERYTHING), 0u);

    // A device can be opened again after it was closed.
    EXPECT_EQ(send(media, QStringLiteral("open ") + device), 0);
    EXPECT_EQ(send(media, QStringLiteral("close ") + device), 0);
}

TEST(SdlMedia, RefusesFilesItCannotPlayAndStaysSilent)
{
    DiskAudio disk;
    QTemporaryDir dir;
    const auto path = [&](const char *name) { return dir.filePath(QString::fromUtf8(name)); };
    ASSERT_TRUE(writeFile(path("empty.mp3"), {}));
    ASSERT_TRUE(writeFile(path("text.mp3"), QByteArray("This is not a sound.\n").repeated(200)));
    ASSERT_TRUE(writeFile(path("text.mid"), "MThd but nothing after it"));
    ASSERT_TRUE(writeFile(path("header.wav"), toneWav(0.1).left(30)));
    ASSERT_TRUE(writeFile(path("sound.ogg"), toneWav(0.1)));
    ASSERT_TRUE(QDir().mkdir(path("folder.mp3")));
    ASSERT_EQ(mkfifo(QFile::encodeName(path("fifo.mp3")).constData(), 0600), 0);

    SdlMedia media;
    const struct {
        const char *name;
        long error;
    } cases[] = {
        {"missing.mp3", MCIERR_FILE_NOT_FOUND}, {"empty.mp3", MCIERR_INVALID_FILE},
        {"text.mp3", MCIERR_INVALID_FILE},      {"text.mid", MCIERR_INVALID_FILE},
        {"header.wav", MCIERR_INVALID_FILE},    {"folder.mp3", MCIERR_INVALID_FILE},
        {"fifo.mp3", MCIERR_INVALID_FILE},      {"sound.ogg", MCIERR_EXTENSION_NOT_FOUND},
    };
    for (const auto &c : cases) {
        const QString device = quoted(path(c.name));
        EXPECT_EQ(send(media, QStringLiteral("open ") + device), c.error) << c.name;
        EXPECT_EQ(send(media, QStringLiteral("play ") + device), MCIERR_INVALID_DEVICE_NAME)
            << c.name;
        EXPECT_FALSE(audioIsOpen()) << c.name;
    }
    // Whatever was rendered while trying is silence.
    const QVector<qint16> rendered = disk.samples();
    EXPECT_LE(peak(rendered, 0, rendered.size()), Quiet);
}

TEST(SdlMedia, RefusesSoundImagesItCannotPlay)
{
    DiskAudio disk;
    SdlMedia media;
    const QByteArray wav = toneWav(0.1);
    const QByteArray empty;
    const QByteArray text("just some text, not a sound");
    // What trimming leaves of a WAV whose samples are all blanks: the header alone.
    const QByteArray headerOnly = wav.left(44);
    EXPECT_FALSE(media.sndPlaySound(&empty, LoopFromMemory));
    EXPECT_FALSE(media.sndPlaySound(&text, LoopFromMemory));
    EXPECT_FALSE(media.sndPlaySound(&headerOnly, LoopFromMemory));
    // Without SND_MEMORY the bytes would be a file name; without SND_ASYNC the caller would
    // wait for the sound to end. Neither is offered, nor flags we do not know.
    EXPECT_FALSE(media.sndPlaySound(&wav, SND_ASYNC | SND_LOOP));
    EXPECT_FALSE(media.sndPlaySound(&wav, SND_MEMORY | SND_LOOP));
    EXPECT_FALSE(media.sndPlaySound(&wav, LoopFromMemory | 0x10));
    EXPECT_FALSE(audioIsOpen());
    // Stopping when nothing plays is fine.
    EXPECT_TRUE(media.sndPlaySound(nullptr, SND_NODEFAULT));
    EXPECT_FALSE(audioIsOpen());

    ASSERT_TRUE(media.sndPlaySound(&wav, LoopFromMemory));
    EXPECT_TRUE(audioIsOpen());
    // A sound that cannot play still silences the one before it.
    EXPECT_FALSE(media.sndPlaySound(&text, LoopFromMemory));
    EXPECT_FALSE(audioIsOpen());
}

TEST(SdlMedia, FailsFastWithoutAnAudioDevice)
{
    // Sets its own driver; DiskAudio puts the old one back afterwards.
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
        EXPECT_TRUE(media.sndPlaySound(nullptr, SND_NODEFAULT)) << driver;
        EXPECT_EQ(send(media, QStringLiteral("open ") + device), MCIERR_HARDWARE) << driver;
        EXPECT_EQ(send(media, QStringLiteral("play ") + device), MCIERR_INVALID_DEVICE_NAME);
        EXPECT_EQ(send(media, QStringLiteral("close ") + device), MCIERR_INVALID_DEVICE_NAME);
        // And again: a failure leaves nothing half-open behind.
        EXPECT_FALSE(media.sndPlaySound(&wav, LoopFromMemory)) << driver;
        EXPECT_LT(timer.elapsed(), 2000) << driver;
        EXPECT_EQ(SDL_WasInit(SDL_INIT_EVERYTHING), 0u) << driver;
    }
    EXPECT_FALSE(QFileInfo::exists(unwritable));
}

TEST(SdlMedia, LeavesTheProgramsSignalHandlingAlone)
{
    DiskAudio disk;
    struct sigaction before[2] = {}, after[2] = {};
    sigaction(SIGINT, nullptr, &before[0]);
    sigaction(SIGTERM, nullptr, &before[1]);
    SdlMedia media;
    const QByteArray wav = toneWav(0.1);
    ASSERT_TRUE(media.sndPlaySound(&wav, LoopFromMemory));
    sigaction(SIGINT, nullptr, &after[0]);
    sigaction(SIGTERM, nullptr, &after[1]);
    EXPECT_EQ(after[0].sa_handler, before[0].sa_handler);
    EXPECT_EQ(after[1].sa_handler, before[1].sa_handler);
}

TEST(SdlMedia, FindsTheInstalledGeneralMidiSoundfont)
{
    const QString font = SdlMedia::soundFontPath();
    ASSERT_FALSE(font.isEmpty()) << "install timgm6mb-soundfont";
    EXPECT_TRUE(QFileInfo(font).isFile());
    // The small General MIDI font is preferred over whatever the desktop's default points at.
    if (QFileInfo::exists(QStringLiteral("/usr/share/sounds/sf2/TimGM6mb.sf2"))) {
        EXPECT_EQ(font, QStringLiteral("/usr/share/sounds/sf2/TimGM6mb.sf2"));
    }
}
