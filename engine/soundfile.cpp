#include "engine/soundfile.h"

#include "engine/sdllibrary.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace engine
{

namespace
{

// Reads until `bytes` are read, the file ends or reading fails; returns how many were read.
qint64 preadFully(int fd, char *out, qint64 bytes, qint64 offset)
{
    qint64 done = 0;
    while (done < bytes) {
        const ssize_t got = pread(fd, out + done, size_t(bytes - done), offset + done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += got;
    }
    return done;
}

SoundFile *fileOf(SDL_RWops *stream)
{
    return static_cast<SoundFile *>(stream->hidden.unknown.data1);
}

} // namespace

std::unique_ptr<SoundFile> SoundFile::open(const QString &path)
{
    if (path.isEmpty() || path.contains(QChar(0)))
        return nullptr;
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer forever.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    struct stat status = {};
    if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<SoundFile>(new SoundFile(fd, status.st_size));
}

SoundFile::SoundFile(int fd, qint64 size) : m_fd(fd), m_fileSize(size), m_length(size) {}

SoundFile::~SoundFile()
{
    ::close(m_fd);
}

QByteArray SoundFile::readAt(qint64 offset, qint64 length) const
{
    if (offset < 0 || length <= 0 || offset >= m_fileSize)
        return {};
    QByteArray out(std::min(length, m_fileSize - offset), Qt::Uninitialized);
    out.truncate(preadFully(m_fd, out.data(), out.size(), offset));
    return out;
}

qint64 SoundFile::readFile(char *out, qint64 offset, qint64 bytes)
{
    // Large reads go straight to the file; small ones through the cache.
    if (bytes >= CacheSize)
        return preadFully(m_fd, out, bytes, offset);
    const qint64 cacheEnd = m_cacheOffset + m_cache.size();
    if (offset < m_cacheOffset || offset + bytes > cacheEnd) {
        m_cache.resize(CacheSize);
        m_cache.truncate(preadFully(m_fd, m_cache.data(), CacheSize, offset));
        m_cacheOffset = offset;
    }
    const qint64 done = std::clamp<qint64>(m_cacheOffset + m_cache.size() - offset, 0, bytes);
    memcpy(out, m_cache.constData() + (offset - m_cacheOffset), size_t(done));
    return done;
}

void SoundFile::setView(const QByteArray &head, qint64 offset, qint64 length)
{
    m_head = head;
    m_offset = std::clamp<qint64>(offset, 0, m_fileSize);
    m_length = std::clamp<qint64>(length, 0, m_fileSize - m_offset);
    m_position = 0;
}

qint64 SoundFile::readView(char *out, qint64 bytes)
{
    qint64 done = 0;
    if (m_position < m_head.size()) {
        done = std::min(bytes, m_head.size() - m_position);
        memcpy(out, m_head.constData() + m_position, size_t(done));
    }
    if (done < bytes) {
        // A file that shrank or cannot be read ends the sound where it fails.
        const qint64 inFile = m_position + done - m_head.size();
        done += readFile(out + done, m_offset + inFile, bytes - done);
    }
    m_position += done;
    return done;
}

SDL_RWops *SoundFile::toRWops(std::unique_ptr<SoundFile> file)
{
    const SdlLibrary *sdl = sdlLibrary();
    SDL_RWops *stream = sdl ? sdl->SDL_AllocRW() : nullptr;
    if (!stream)
        return nullptr;
    stream->type = SDL_RWOPS_UNKNOWN;
    stream->hidden.unknown.data1 = file.release();
    stream->size = [](SDL_RWops *s) -> Sint64 { return fileOf(s)->viewSize(); };
    stream->seek = [](SDL_RWops *s, Sint64 offset, int whence) -> Sint64 {
        SoundFile *f = fileOf(s);
        Sint64 base = 0;
        if (whence == RW_SEEK_CUR)
            base = f->m_position;
        else if (whence == RW_SEEK_END)
            base = f->viewSize();
        else if (whence != RW_SEEK_SET)
            return -1;
        // Like SDL's memory streams: a seek stops at either end (compared so nothing overflows).
        const Sint64 size = f->viewSize();
        f->m_position = offset < -base ? 0 : offset > size - base ? size : base + offset;
        return f->m_position;
    };
    stream->read = [](SDL_RWops *s, void *out, size_t size, size_t count) -> size_t {
        SoundFile *f = fileOf(s);
        if (size == 0 || count == 0)
            return 0;
        // Whole objects only, as many as the view still holds.
        const qint64 left = f->viewSize() - f->m_position;
        const size_t fit = std::min<size_t>(count, size_t(std::max<qint64>(left, 0)) / size);
        const qint64 start = f->m_position;
        const qint64 got = f->readView(static_cast<char *>(out), qint64(fit * size));
        // A short read leaves the position after the last whole object.
        f->m_position = start + (got / qint64(size)) * qint64(size);
        return size_t(got) / size;
    };
    stream->write = [](SDL_RWops *, const void *, size_t, size_t) -> size_t { return 0; };
    stream->close = [](SDL_RWops *s) -> int {
        delete fileOf(s);
        sdlLibrary()->SDL_FreeRW(s);
        return 0;
    };
    return stream;
}

} // namespace engine
