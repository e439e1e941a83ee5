#pragma once

#include "engine/media.h"

#include <QHash>
#include <QString>

struct Mix_Chunk;
struct _Mix_Music;

namespace engine
{

// The sound services over SDL2_mixer. String commands: "open DEV", "play DEV" and "close DEV",
// where DEV is a file path in double quotes that names the device; the extension picks the
// decoder (mp3, mid, midi, wav), and a device plays once per "play". sndPlaySound plays one
// in-memory WAV image at a time, looping with SND_LOOP. Failures return an MCI error code or
// false and leave the program running without sound.
//
// The audio device is opened by the first call that needs it and closed again as soon as
// nothing is loaded, so no audio thread runs while the program only counts down. One
// instance is meant to exist at a time; all calls come from the user-interface thread.
class SdlMedia : public Media
{
public:
    SdlMedia() = default;
    ~SdlMedia() override;
    SdlMedia(const SdlMedia &) = delete;
    SdlMedia &operator=(const SdlMedia &) = delete;

    long mciSendString(const QString &command) override;
    bool sndPlaySound(const QByteArray *sound, unsigned flags) override;

    // The installed General MIDI soundfont MIDI files are played with, or "" when there is none.
    static QString soundFontPath();

private:
    long openDevice(const QString &device);
    long playDevice(const QString &device);
    long closeDevice(const QString &device);
    void stopSound();
    bool openAudio();
    void releaseAudioIfIdle();

    QHash<QString, _Mix_Music *> m_devices;
    _Mix_Music *m_playing = nullptr;
    Mix_Chunk *m_sound = nullptr;
    bool m_audioOpen = false;
};

} // namespace engine
