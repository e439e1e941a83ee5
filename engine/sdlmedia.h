#pragma once

#include "engine/media.h"

#include <QHash>
#include <QObject>
#include <QString>

struct Mix_Chunk;
struct _Mix_Music;

namespace engine
{

// The sound services over SDL2_mixer. String commands: "open DEV", "play DEV" and "close DEV",
// where DEV is a file path between the first and the last double quote of the command, and a
// device plays once per "play". The path's last three characters pick the decoder as they
// pick the alarm's sound type (mp3, mid, wav; and "midi"), so "alarmmp3" is an MP3 file; a
// file that decoder refuses gets the one its first bytes name (a WAV or MIDI header, an ID3
// tag or an MPEG frame), so a sound under the wrong name still plays.
// sndPlaySound plays one WAV sound at a time, looping with SND_LOOP: an image in memory with
// SND_MEMORY, otherwise the WAV file the bytes name, streamed from the file so that a sound
// too large to load still plays. Failures return an MCI error code or false and leave the
// program running without sound.
//
// A WAV file reaches the decoder as its format and samples only (other chunks are left out,
// sizes fitted to the bytes present), so nothing in it makes the player allocate or read
// beyond the file. The sound from a file and the devices share the mixer's one music
// stream: a device that plays interrupts a looping file sound, which takes up again when the
// device ends or is closed.
//
// The audio device is opened by the first call that needs it and closed again as soon as
// nothing is loaded, so no audio thread runs while the program only counts down. One
// instance is meant to exist at a time; all calls come from the user-interface thread, whose
// event loop brings back a looping file sound after a device ended.
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
    bool playImage(const QByteArray &image, bool loop);
    bool playFile(const QString &path, bool loop);
    void stopSound();
    void resumeLoop();
    bool openAudio();
    void releaseAudioIfIdle();
    static void musicFinished();

    QHash<QString, _Mix_Music *> m_devices;
    _Mix_Music *m_inStream = nullptr;  // what was last started on the music stream
    Mix_Chunk *m_sound = nullptr;      // the WAV sound from memory
    _Mix_Music *m_fileSound = nullptr; // the WAV sound from a file
    bool m_fileSoundLoops = false;
    bool m_audioOpen = false;
    // Receives, on this object's thread, the news that the music stream has ended.
    QObject m_events;
};

} // namespace engine
