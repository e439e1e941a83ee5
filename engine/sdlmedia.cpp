#include "engine/sdlmedia.h"

#include "engine/loadsound.h"
#include "engine/mcierror.h"
#include "engine/sdllibrary.h"
#include "engine/waveimage.h"

#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QtEndian>
#include <utility>

namespace engine
{

namespace
{

// The loaded library; only called once openAudio() has found it.
const SdlLibrary &sdl()
{
    return *sdlLibrary();
}

Q_LOGGING_CATEGORY(lcSound, "ostrevan.sound")

// CD rate, 16-bit stereo; 1024 frames per buffer keep the start of a sound within ~23 ms.
constexpr int OutputRate = 44100;
constexpr int OutputChannels = 2;
constexpr int BufferFrames = 1024;

constexpr unsigned KnownSoundFlags = SND_ASYNC | SND_NODEFAULT | SND_MEMORY | SND_LOOP;

struct Command {
    QString verb;
    QString device;
    long error = 0;
};

// "verb "path"" with nothing after the closing quote: the device is always a quoted path,
// never a device type or an alias, and no options are taken.
Command parseCommand(const QString &command)
{
    Command parsed;
    const QString text = command.trimmed();
    if (text.isEmpty()) {
        parsed.error = MCIERR_MISSING_COMMAND_STRING;
        return parsed;
    }
    qsizetype verbEnd = 0;
    while (verbEnd < text.size() && !text.at(verbEnd).isSpace())
        ++verbEnd;
    parsed.verb = text.left(verbEnd).toLower();
    if (parsed.verb != QLatin1String("open") && parsed.verb != QLatin1String("play") &&
        parsed.verb != QLatin1String("close")) {
        parsed.error = MCIERR_UNRECOGNIZED_COMMAND;
        return parsed;
    }
    const QString rest = text.mid(verbEnd).trimmed();
    if (rest.isEmpty()) {
        parsed.error = MCIERR_MISSING_DEVICE_NAME;
        return parsed;
    }
    if (!rest.startsWith(QLatin1Char('"'))) {
        parsed.error = MCIERR_INVALID_DEVICE_NAME;
        return parsed;
    }
    const qsizetype closing = rest.indexOf(QLatin1Char('"'), 1);
    if (closing < 0) {
        parsed.error = MCIERR_NO_CLOSING_QUOTE;
        return parsed;
    }
    if (!rest.mid(closing + 1).trimmed().isEmpty()) {
        parsed.error = MCIERR_UNRECOGNIZED_KEYWORD;
        return parsed;
    }
    parsed.device = rest.mid(1, closing - 1);
    if (parsed.device.isEmpty())
        parsed.error = MCIERR_MISSING_DEVICE_NAME;
    return parsed;
}

// The MIDI player reads a file only when it starts to play, and plays nothing if it cannot;
// checking the header here lets "open" report a file that is no MIDI file at all.
bool hasMidiHeader(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(8);
    if (head.size() != 8 || !head.startsWith("MThd"))
        return false;
    const quint32 headerSize = qFromBigEndian<quint32>(head.constData() + 4);
    return headerSize >= 6 && file.seek(8 + qint64(headerSize)) && file.read(4) == "MTrk";
}

} // namespace

SdlMedia::~SdlMedia()
{
    stopSound();
    for (Mix_Music *music : std::as_const(m_devices))
        sdl().Mix_FreeMusic(music);
    m_devices.clear();
    m_playing = nullptr;
    releaseAudioIfIdle();
}

QString SdlMedia::soundFontPath()
{
    // TimGM6mb is small and loads fast; the others are what a desktop may have chosen instead.
    static const char *const candidates[] = {
        "/usr/share/sounds/sf2/TimGM6mb.sf2",
        "/usr/share/sounds/sf2/default-GM.sf2",
        "/usr/share/sounds/sf3/default-GM.sf3",
        "/usr/share/sounds/sf2/FluidR3_GM.sf2",
    };
    for (const char *candidate : candidates) {
        const QFileInfo info(QString::fromLatin1(candidate));
        if (info.isFile() && info.isReadable())
            return info.filePath();
    }
    return {};
}

long SdlMedia::mciSendString(const QString &command)
{
    const Command parsed = parseCommand(command);
    if (parsed.error != 0)
        return parsed.error;
    if (parsed.verb == QLatin1String("open"))
        return openDevice(parsed.device);
    if (parsed.verb == QLatin1String("play"))
        return playDevice(parsed.device);
    return closeDevice(parsed.device);
}

long SdlMedia::openDevice(const QString &device)
{
    if (m_devices.contains(device))
        return MCIERR_DEVICE_OPEN;
    const QFileInfo info(device);
    const QString ext = info.suffix().toLower();
    const bool midi = ext == QLatin1String("mid") || ext == QLatin1String("midi");
    if (!midi && ext != QLatin1String("mp3") && ext != QLatin1String("wav"))
        return MCIERR_EXTENSION_NOT_FOUND;
    if (!info.exists())
        return MCIERR_FILE_NOT_FOUND;
    // Only non-empty regular files: opening a FIFO would block. A MIDI file is read whole,
    // so it gets the same size limit as a WAV image; MP3 and WAV are streamed from the file.
    if (!info.isFile() || info.size() == 0 || (midi && info.size() > MaxSoundFileSize))
        return MCIERR_INVALID_FILE;
    if (midi && !hasMidiHeader(device))
        return MCIERR_INVALID_FILE;
    if (!openAudio())
        return MCIERR_HARDWARE;

    Mix_Music *music = sdl().Mix_LoadMUS(QFile::encodeName(device).constData());
    if (!music) {
        qCWarning(lcSound) << "cannot play" << device << ":" << sdl().Mix_GetError();
        releaseAudioIfIdle();
        return MCIERR_INVALID_FILE;
    }
    m_devices.insert(device, music);
    return 0;
}

long SdlMedia::playDevice(const QString &device)
{
    Mix_Music *music = m_devices.value(device);
    if (!music)
        return MCIERR_INVALID_DEVICE_NAME;
    // Like the desktop's "play", a device that is playing goes on; one that has ended
    // starts again from the beginning.
    if (m_playing == music && sdl().Mix_PlayingMusic())
        return 0;
    if (sdl().Mix_PlayMusic(music, 1) != 0) {
        qCWarning(lcSound) << "cannot play" << device << ":" << sdl().Mix_GetError();
        return MCIERR_INTERNAL;
    }
    m_playing = music;
    return 0;
}

long SdlMedia::closeDevice(const QString &device)
{
    Mix_Music *music = m_devices.take(device);
    if (!music)
        return MCIERR_INVALID_DEVICE_NAME;
    if (m_playing == music)
        m_playing = nullptr;
    // Stops the music if this device is the one playing; another device's music goes on.
    sdl().Mix_FreeMusic(music);
    releaseAudioIfIdle();
    return 0;
}

bool SdlMedia::sndPlaySound(const QByteArray *sound, unsigned flags)
{
    if (!sound) {
        stopSound();
        releaseAudioIfIdle();
        return true;
    }
    // Only what the alarm asks for: an image in memory, played without blocking the caller.
    if ((flags & ~KnownSoundFlags) != 0 || !(flags & SND_MEMORY) || !(flags & SND_ASYNC))
        return false;

    // A new sound replaces the one playing, as with the desktop's call.
    stopSound();
    const QByteArray image = fitWaveImage(*sound);
    if (image.isEmpty() || !openAudio()) {
        releaseAudioIfIdle();
        return false;
    }
    // The chunk gets its own copy of the samples, so the image need not outlive this call.
    Mix_Chunk *chunk =
        sdl().Mix_LoadWAV_RW(sdl().SDL_RWFromConstMem(image.constData(), int(image.size())), 1);
    if (!chunk) {
        qCWarning(lcSound) << "cannot play the WAV sound:" << sdl().Mix_GetError();
        releaseAudioIfIdle();
        return false;
    }
    if (sdl().Mix_PlayChannel(-1, chunk, (flags & SND_LOOP) ? -1 : 0) < 0) {
        qCWarning(lcSound) << "cannot play the WAV sound:" << sdl().Mix_GetError();
        sdl().Mix_FreeChunk(chunk);
        releaseAudioIfIdle();
        return false;
    }
    m_sound = chunk;
    return true;
}

void SdlMedia::stopSound()
{
    if (m_sound) {
        // Halts every channel that plays it before freeing it.
        sdl().Mix_FreeChunk(m_sound);
        m_sound = nullptr;
    }
}

bool SdlMedia::openAudio()
{
    if (m_audioOpen)
        return true;
    if (!sdlLibrary())
        return false;
    // SDL's event subsystem comes with its audio; without this hint it would take over
    // SIGINT and SIGTERM, and the program would no longer end on them.
    sdl().SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    sdl().SDL_SetHint(SDL_HINT_AUDIO_DEVICE_APP_NAME, "Ostrevan");
    sdl().SDL_SetHint(SDL_HINT_AUDIO_DEVICE_STREAM_NAME, "Alarm");
    sdl().SDL_SetMainReady();
    if (sdl().SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        qCWarning(lcSound) << "no audio:" << sdl().SDL_GetError();
        if (sdl().SDL_WasInit(SDL_INIT_EVERYTHING) == 0)
            sdl().SDL_Quit();
        return false;
    }
    sdl().Mix_Init(MIX_INIT_MP3 | MIX_INIT_MID);
    // Before the device opens: the MIDI player checks for its soundfont then.
    const QString font = soundFontPath();
    if (!font.isEmpty())
        sdl().Mix_SetSoundFonts(QFile::encodeName(font).constData());
    if (sdl().Mix_OpenAudio(OutputRate, AUDIO_S16SYS, OutputChannels, BufferFrames) != 0) {
        qCWarning(lcSound) << "no audio device:" << sdl().Mix_GetError();
        sdl().SDL_QuitSubSystem(SDL_INIT_AUDIO);
        if (sdl().SDL_WasInit(SDL_INIT_EVERYTHING) == 0)
            sdl().SDL_Quit();
        return false;
    }
    m_audioOpen = true;
    return true;
}

void SdlMedia::releaseAudioIfIdle()
{
    if (!m_audioOpen || !m_devices.isEmpty() || m_sound)
        return;
    sdl().Mix_CloseAudio();
    sdl().SDL_QuitSubSystem(SDL_INIT_AUDIO);
    // Nothing else of SDL in use: let go of the rest too (its D-Bus connections).
    if (sdl().SDL_WasInit(SDL_INIT_EVERYTHING) == 0)
        sdl().SDL_Quit();
    m_audioOpen = false;
}

} // namespace engine
