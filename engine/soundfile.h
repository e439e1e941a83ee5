#pragma once

#include <QByteArray>
#include <QString>
#include <memory>

struct SDL_RWops;

namespace engine
{

// A sound file opened for the player. It never blocks on a FIFO or a device, reads with pread
// so the audio thread may read it, and reads only what is asked for, so a file of any size
// can be played. What the player sees of it can be narrowed to a view: bytes made in memory
// (`head`) followed by a stretch of the file, so a WAV file reaches the decoder as a RIFF
// header, its format and its samples only.
class SoundFile
{
public:
    // nullptr when path is not a regular file that can be opened for reading.
    static std::unique_ptr<SoundFile> open(const QString &path);
    ~SoundFile();
    SoundFile(const SoundFile &) = delete;
    SoundFile &operator=(const SoundFile &) = delete;

    qint64 fileSize() const { return m_fileSize; }
    // Up to `length` bytes of the file at `offset`; fewer at its end or on a read error.
    QByteArray readAt(qint64 offset, qint64 length) const;
    // The player sees `head`, then `length` bytes of the file from `offset`. By default it
    // sees the whole file.
    void setView(const QByteArray &head, qint64 offset, qint64 length);

    // Hands the file over as an SDL stream that the player reads and closes; nullptr when SDL
    // is not loaded or cannot make one, and the file is closed then.
    static SDL_RWops *toRWops(std::unique_ptr<SoundFile> file);

private:
    SoundFile(int fd, qint64 size);
    qint64 viewSize() const { return m_head.size() + m_length; }
    // Copies up to `bytes` of the view at m_position; returns how many it copied.
    qint64 readView(char *out, qint64 bytes);
    // Copies up to `bytes` of the file at `offset`; returns how many it copied.
    qint64 readFile(char *out, qint64 offset, qint64 bytes);

    // Decoders looking for a header read a byte at a time: they are served from here.
    static constexpr qint64 CacheSize = 64 * 1024;
    QByteArray m_cache;
    qint64 m_cacheOffset = 0; // where m_cache lies in the file

    int m_fd = -1;
    qint64 m_fileSize = 0;
    QByteArray m_head;
    qint64 m_offset = 0;
    qint64 m_length = 0;
    qint64 m_position = 0;
};

} // namespace engine
