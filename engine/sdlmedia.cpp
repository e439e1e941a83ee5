#include "engine/sdlmedia.h"

#include "engine/loadsound.h"
#include "engine/mcierror.h"
#include "engine/sdllibrary.h"
#include "engine/soundfile.h"
#include "engine/soundtype.h"
#include "engine/waveimage.h"

#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QtEndian>
#include <memory>
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
// never a device type or an alias, and no options are taken. The path runs to the last quote,
// since a file name may hold quotes of its own.
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
    const qsizetype closing = rest.lastIndexOf(QLatin1Char('"'));
    if (closing == 0) {
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

// The decoder a device gets: the one the alarm's sound type names, whatever the file holds.
Mix_MusicType musicTypeOf(const QString &path)
{
    switch (soundTypeOf(path)) {
    case SoundType::Mp3:
        return MUS_MP3;
    case SoundType::Mid:
        return MUS_MID;
    case SoundType::Wav:
        return MUS_WAV;
    case SoundType::None:
        break;
    }
    return path.endsWith(QLatin1String(".midi"), Qt::CaseInsensitive) ? MUS_MID : MUS_NONE;
}

// The MIDI player reads a file only when it starts to play, and plays nothing if it cannot;
// checking the header here lets "open" report a file that is no MIDI file at all.
bool hasMidiHeader(const SoundFile &file)
{
    const QByteArray head = file.readAt(0, 8);
    if (head.size() != 8 || !head.startsWith("MThd"))
        return false;
    const quint32 headerSize = qFromBigEndian<quint32>(head.constData() + 4);
    return headerSize >= 6 && file.readAt(8 + qint64(headerSize), 4) == "MTrk";
}

// Whether the mixer's WAV stream decoder takes this "fmt " chunk without tripping over it: it
// divides by the frame size, and its converter takes up to eight channels.
bool streamDecoderTakes(const QByteArray &format)
{
    if (format.size() < 16)
        return false;
    const char *const f = format.constData();
    quint16 encoding = qFromLittleEndian<quint16>(f);
    const quint16 channels = qFromLittleEndian<quint16>(f + 2);
    const quint32 rate = qFromLittleEndian<quint32>(f + 4);
    const quint16 blockAlign = qFromLittleEndian<quint16>(f + 12);
    const quint16 bits = qFromLittleEndian<quint16>(f + 14);
    if (encoding == 0xfffe) // extensible: the real format is the start of its sub-format
        encoding = format.size() >= 40 ? qFromLittleEndian<quint16>(f + 24) : 0;
    bool known = false;
    switch (encoding) {
    case 1: // integer PCM
        known = bits == 8 || bits == 16 || bits == 24 || bits == 32;
        break;
    case 3: // floating point
        known = bits == 32 || bits == 64;
        break;
    case 6: // A-law
    case 7: // mu-law
        known = bits == 8;
        break;
    }
    return known && channels >= 1 && channels <= 8 && rate >= 1000 && rate <= 768000 &&
           blockAlign == channels * bits / 8;
}

// A WAV file as the decoder is to see it: its format and samples behind a fitted header.
std::unique_ptr<SoundFile> openWaveFile(const QString &path)
{
    std::unique_ptr<SoundFile> file = SoundFile::open(path);
    if (!file)
        return nullptr;
    const SoundFile &source = *file;
    const WaveLayout layout = findWaveLayout(
        [&source](qint64 offset, qint64 length) { return source.readAt(offset, length); },
        file->fileSize());
    if (layout.dataLength <= 0 || !streamDecoderTakes(layout.format))
        return nullptr;
    file->setView(waveHeader(layout.format, layout.dataLength), layout.dataOffset,
                  layout.dataLength);
    return file;
}

// The decoder a file's first bytes name: a RIFF/WAVE or MIDI header, an ID3 tag or an MPEG
// audio frame header.
Mix_MusicType musicTypeByContent(const SoundFile &file)
{
    const QByteArray head = file.readAt(0, 12);
    if (head.startsWith("RIFF") && head.mid(8, 4) == "WAVE")
        return MUS_WAV;
    if (head.startsWith("MThd"))
        return MUS_MID;
    if (head.startsWith("ID3") ||
        (head.size() >= 2 && quint8(head[0]) == 0xff && (quint8(head[1]) & 0xe0) == 0xe0))
        return MUS_MP3;
    return MUS_NONE;
}

// The file at path, ready for the decoder of that type, or nullptr when it is plainly not for
// that decoder. A MIDI file is read whole by its player, so it gets the size limit of a WAV
// image; MP3 and WAV are streamed from the file.
std::unique_ptr<SoundFile> prepareFile(const QString &path, Mix_MusicType type)
{
    if (type == MUS_WAV)
        return openWaveFile(path);
    std::unique_ptr<SoundFile> file = SoundFile::open(path);
    if (file && type == MUS_MID && (file->fileSize() > MaxSoundFileSize || !hasMidiHeader(*file)))
        return nullptr;
    return file;
}

// The file as music of that type; nullptr when the decoder refuses it. The music owns the
// file from here on, and closes it when it is freed or refused.
Mix_Music *loadMusic(std::unique_ptr<SoundFile> file, Mix_MusicType type)
{
    SDL_RWops *stream = SoundFile::toRWops(std::move(file));
    return stream ? sdl().Mix_LoadMUSType_RW(stream, type, 1) : nullptr;
}

// The one media object whose events the end of the music goes to. Set and cleared only
// together with the mixer's hook, whose calls hold the audio lock.
SdlMedia *hookedMedia = nullptr;

} // namespace

SdlMedia::~SdlMedia()
{
    stopSound();
    for (Mix_Music *music : std::as_const(m_devices))
        sdl().Mix_FreeMusic(music);
    m_devices.clear();
    m_inStream = nullptr;
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
    const Mix_MusicType named = musicTypeOf(device);
    if (named == MUS_NONE)
        return MCIERR_EXTENSION_NOT_FOUND;
    if (!QFileInfo::exists(device))
        return MCIERR_FILE_NOT_FOUND;
    // Only non-empty regular files: opening a FIFO would block.
    const std::unique_ptr<SoundFile> probe = SoundFile::open(device);
    if (!probe || probe->fileSize() == 0)
        return MCIERR_INVALID_FILE;
    // The name picks the decoder. A file whose first bytes name another one gets that one
    // too when the named one refuses it.
    const Mix_MusicType found = musicTypeByContent(*probe);
    const Mix_MusicType tries[] = {named, found != named ? found : MUS_NONE};
    Mix_Music *music = nullptr;
    for (const Mix_MusicType type : tries) {
        if (type == MUS_NONE)
            continue;
        std::unique_ptr<SoundFile> file = prepareFile(device, type);
        if (!file)
            continue;
        if (!openAudio())
            return MCIERR_HARDWARE;
        music = loadMusic(std::move(file), type);
        if (music)
            break;
    }
    if (!music) {
        if (m_audioOpen)
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
    if (m_inStream == music && sdl().Mix_PlayingMusic())
        return 0;
    if (sdl().Mix_PlayMusic(music, 1) != 0) {
        qCWarning(lcSound) << "cannot play" << device << ":" << sdl().Mix_GetError();
        return MCIERR_INTERNAL;
    }
    m_inStream = music;
    return 0;
}

long SdlMedia::closeDevice(const QString &device)
{
    Mix_Music *music = m_devices.take(device);
    if (!music)
        return MCIERR_INVALID_DEVICE_NAME;
    if (m_inStream == music)
        m_inStream = nullptr;
    // Stops the music if this device is the one playing; another device's music goes on.
    sdl().Mix_FreeMusic(music);
    resumeLoop();
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
    // Only what the alarm asks for: a sound played without blocking the caller.
    if ((flags & ~KnownSoundFlags) != 0 || !(flags & SND_ASYNC))
        return false;

    // A new sound replaces the one playing, as with the desktop's call.
    stopSound();
    const bool loop = flags & SND_LOOP;
    // Without SND_MEMORY the bytes name the file, as a C string would: no NUL inside.
    const bool played = (flags & SND_MEMORY)
                            ? playImage(*sound, loop)
                            : !sound->contains('\0') && playFile(QFile::decodeName(*sound), loop);
    if (!played)
        releaseAudioIfIdle();
    return played;
}

bool SdlMedia::playImage(const QByteArray &sound, bool loop)
{
    const QByteArray image = fitWaveImage(sound);
    if (image.isEmpty() || !openAudio())
        return false;
    // The chunk gets its own copy of the samples, so the image need not outlive this call.
    Mix_Chunk *chunk =
        sdl().Mix_LoadWAV_RW(sdl().SDL_RWFromConstMem(image.constData(), int(image.size())), 1);
    if (!chunk) {
        qCWarning(lcSound) << "cannot play the WAV sound:" << sdl().Mix_GetError();
        return false;
    }
    if (sdl().Mix_PlayChannel(-1, chunk, loop ? -1 : 0) < 0) {
        qCWarning(lcSound) << "cannot play the WAV sound:" << sdl().Mix_GetError();
        sdl().Mix_FreeChunk(chunk);
        return false;
    }
    m_sound = chunk;
    return true;
}

bool SdlMedia::playFile(const QString &path, bool loop)
{
    std::unique_ptr<SoundFile> file = openWaveFile(path);
    if (!file || !openAudio())
        return false;
    Mix_Music *music = loadMusic(std::move(file), MUS_WAV);
    if (!music) {
        qCWarning(lcSound) << "cannot play" << path << ":" << sdl().Mix_GetError();
        return false;
    }
    if (sdl().Mix_PlayMusic(music, loop ? -1 : 1) != 0) {
        qCWarning(lcSound) << "cannot play" << path << ":" << sdl().Mix_GetError();
        sdl().Mix_FreeMusic(music);
        return false;
    }
    m_fileSound = music;
    m_fileSoundLoops = loop;
    m_inStream = music;
    return true;
}

void SdlMedia::stopSound()
{
    if (m_sound) {
        // Halts every channel that plays it before freeing it.
        sdl().Mix_FreeChunk(m_sound);
        m_sound = nullptr;
    }
    if (m_fileSound) {
        if (m_inStream == m_fileSound)
            m_inStream = nullptr;
        sdl().Mix_FreeMusic(m_fileSound);
        m_fileSound = nullptr;
    }
}

// A looping sound ends only when it is silenced: when it does not play, a device took the
// music stream from it, and it takes the stream back once the device has ended or closed.
void SdlMedia::resumeLoop()
{
    if (!m_fileSound || !m_fileSoundLoops || !m_audioOpen || sdl().Mix_PlayingMusic())
        return;
    if (sdl().Mix_PlayMusic(m_fileSound, -1) == 0)
        m_inStream = m_fileSound;
}

// Called by the mixer, with the audio lock held, on its audio thread (or within a call that
// halts the music): the rest happens on the thread the media object lives on.
void SdlMedia::musicFinished()
{
    if (SdlMedia *media = hookedMedia) {
        QMetaObject::invokeMethod(
            &media->m_events, [media] { media->resumeLoop(); }, Qt::QueuedConnection);
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
    hookedMedia = this;
    sdl().Mix_HookMusicFinished(&SdlMedia::musicFinished);
    return true;
}

void SdlMedia::releaseAudioIfIdle()
{
    if (!m_audioOpen || !m_devices.isEmpty() || m_sound || m_fileSound)
        return;
    // After this no call of the hook is under way: it takes the audio lock.
    if (hookedMedia == this) {
        sdl().Mix_HookMusicFinished(nullptr);
        hookedMedia = nullptr;
    }
    sdl().Mix_CloseAudio();
    sdl().SDL_QuitSubSystem(SDL_INIT_AUDIO);
    // Nothing else of SDL in use: let go of the rest too (its D-Bus connections).
    if (sdl().SDL_WasInit(SDL_INIT_EVERYTHING) == 0)
        sdl().SDL_Quit();
    m_audioOpen = false;
}

} // namespace engine
