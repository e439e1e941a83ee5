#include "settings/hivefile.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QMutex>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QThread>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace settings
{

namespace
{

// A write holds the lock for milliseconds. A lock left by a process that died is taken over at
// once (its process is gone, or see breakAbandonedLock); the age limit only frees a lock whose
// holder hangs or runs on another machine, so a write never waits for ever.
constexpr int StaleLockMs = 5000;
constexpr int LockWaitMs = 6000;
// QLockFile creates its lock file, locks it with flock() and writes its process id into it
// within microseconds: an empty lock file this old that nobody has locked has no holder.
constexpr qint64 EmptyLockMs = 200;
// More than QLockFile ever writes: a process id, a program and a host name, two ids.
constexpr qint64 LockInfoMax = 4096;

enum class Load { Missing, Ok, TooLarge, Special, Failed };

struct Loaded {
    Load state = Load::Missing;
    QByteArray bytes;
    QString problem;     // what to report for TooLarge, Special and Failed
    QByteArray identity; // tells this problem from another one in the same place
};

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

QString kindOf(mode_t mode)
{
    if (S_ISDIR(mode))
        return QStringLiteral("a folder");
    if (S_ISFIFO(mode))
        return QStringLiteral("a named pipe");
    if (S_ISSOCK(mode))
        return QStringLiteral("a socket");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("a device");
    if (S_ISLNK(mode))
        return QStringLiteral("a symbolic link");
    return QStringLiteral("not a regular file");
}

QByteArray identityOf(const char *what, const struct stat &info)
{
    return QByteArray(what) + ':' + QByteArray::number(quint64(info.st_dev)) + ':' +
           QByteArray::number(quint64(info.st_ino)) + ':' +
           QByteArray::number(qint64(info.st_size)) + ':' +
           QByteArray::number(qint64(info.st_mtim.tv_sec)) + '.' +
           QByteArray::number(qint64(info.st_mtim.tv_nsec));
}

Loaded special(const struct stat &info)
{
    return {Load::Special,
            {},
            QStringLiteral("is %1, not a regular file; it is left alone, defaults are used and "
                           "settings are not saved")
                .arg(kindOf(info.st_mode)),
            identityOf("special", info)};
}

Loaded tooLarge(const struct stat &info)
{
    return {Load::TooLarge,
            {},
            QStringLiteral("is larger than %1 bytes, more than any settings take; defaults are "
                           "used, and the file is kept aside before settings are next saved")
                .arg(HiveFile::MaxSize),
            identityOf("large", info)};
}

Loaded failed(int error)
{
    const QString text = systemError(error);
    return {Load::Failed,
            {},
            QStringLiteral("cannot be read (%1); defaults are used").arg(text),
            "failed:" + text.toUtf8()};
}

// Reads the file without ever blocking: a pipe without a writer, or a device that never ends,
// is recognised before it is read, and no more than MaxSize bytes are taken from anything.
Loaded load(const QString &file)
{
    const QByteArray name = QFile::encodeName(file);
    struct stat info {
    };
    if (::stat(name.constData(), &info) != 0) {
        const int error = errno;
        struct stat link {
        };
        if (error == ENOENT && ::lstat(name.constData(), &link) != 0)
            return {};
        return failed(error); // a link that leads nowhere, a folder that cannot be entered
    }
    if (!S_ISREG(info.st_mode))
        return special(info);
    if (info.st_size > HiveFile::MaxSize)
        return tooLarge(info);
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return failed(errno);
    Loaded result;
    // Replaced between the look and the open: judge what was opened.
    if (::fstat(fd, &info) != 0)
        result = failed(errno);
    else if (!S_ISREG(info.st_mode))
        result = special(info);
    else if (info.st_size > HiveFile::MaxSize)
        result = tooLarge(info);
    if (result.state != Load::Missing) {
        ::close(fd);
        return result;
    }
    // One byte more than the size, to see a file that grows meanwhile.
    QByteArray bytes(qsizetype(info.st_size) + 1, Qt::Uninitialized);
    qsizetype filled = 0;
    for (;;) {
        if (filled == bytes.size()) {
            if (filled > HiveFile::MaxSize) {
                ::close(fd);
                return tooLarge(info);
            }
            bytes.resize(std::min<qsizetype>(HiveFile::MaxSize + 1, filled * 2 + 4096));
        }
        const ssize_t got = ::read(fd, bytes.data() + filled, size_t(bytes.size() - filled));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            const int error = errno;
            ::close(fd);
            return failed(error);
        }
        if (got == 0)
            break;
        filled += got;
    }
    ::close(fd);
    bytes.truncate(filled);
    return {Load::Ok, bytes, {}, {}};
}

// The same fault would otherwise be reported at every call; each is reported once until the
// file changes or the next write succeeds. Problems with reading and with writing are kept
// apart, so a write that fails now and then is not hidden by reads in between.
enum class Report { Reading, Writing };

void report(Report kind, const QString &file, const QByteArray &identity, const QString &problem)
{
    static QMutex mutex;
    static QByteArray lastReported[2];
    const QByteArray id = problem.isEmpty() ? QByteArray() : file.toUtf8() + '\0' + identity;
    QMutexLocker locker(&mutex);
    QByteArray &last = lastReported[int(kind)];
    if (id == last)
        return;
    last = id;
    if (problem.isEmpty())
        return;
    qWarning().noquote()
        << (kind == Report::Reading
                ? QStringLiteral("Settings file %1: %2").arg(file, problem)
                : QStringLiteral("Settings not saved to %1: %2").arg(file, problem));
}

void reportLoad(const QString &file, const Loaded &loaded)
{
    report(Report::Reading, file, loaded.identity, loaded.problem);
}

void reportParse(const QString &file, const QByteArray &bytes, const Hive &hive)
{
    QString problem = hive.problems();
    if (problem.isEmpty()) {
        report(Report::Reading, file, {}, {});
        return;
    }
    if (hive.skippedLines() > 0)
        problem += QStringLiteral("; the file as it is will be kept beside it before it is "
                                  "next written");
    report(Report::Reading, file, QCryptographicHash::hash(bytes, QCryptographicHash::Sha1),
           problem);
}

qint32 failWrite(const QString &file, const QString &why)
{
    report(Report::Writing, file, why.toUtf8(), why);
    return ERROR_REGISTRY_IO_FAILED;
}

QString backupName(const QString &file, int n)
{
    const QString stem =
        file + QStringLiteral(".bad-") +
        QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
    return n == 1 ? stem : stem + u'-' + QString::number(n);
}

// Keeps the file as it was, under a name no earlier copy has, before a rewrite drops lines.
bool keepCopy(const QString &file, const QByteArray &bytes, QString *copyName)
{
    for (int n = 1; n <= 100; ++n) {
        const QString name = backupName(file, n);
        QFile copy(name);
        if (!copy.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            if (QFileInfo(name).exists() || QFileInfo(name).isSymLink())
                continue;
            return false;
        }
        if (copy.write(bytes) != bytes.size() || !copy.flush() || ::fsync(copy.handle()) != 0) {
            copy.remove();
            return false;
        }
        *copyName = name;
        return true;
    }
    return false;
}

// Moves a file too large to copy aside, under a name no earlier copy has.
bool moveAside(const QString &file, QString *copyName)
{
    const QByteArray from = QFile::encodeName(file);
    for (int n = 1; n <= 100; ++n) {
        const QString name = backupName(file, n);
        const QByteArray to = QFile::encodeName(name);
        int rc =
            ::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE);
        if (rc != 0 && (errno == EINVAL || errno == ENOSYS)) {
            // A file system that cannot refuse to replace: a second name, then drop the first.
            rc = ::link(from.constData(), to.constData());
            if (rc == 0 && ::unlink(from.constData()) != 0) {
                ::unlink(to.constData());
                return false;
            }
        }
        if (rc == 0) {
            *copyName = name;
            return true;
        }
        if (errno != EEXIST)
            return false;
    }
    return false;
}

enum class LockText { Readable, Empty, Garbage };

// What QLockFile can make of a lock file that starts with head: a process id it checks, or the
// start of one being written right now; or nothing, and then it judges the lock by its age.
LockText lockText(QByteArrayView head, qint64 size)
{
    if (size == 0)
        return LockText::Empty;
    const qsizetype end = head.indexOf('\n');
    const QByteArrayView pid = end < 0 ? head : head.first(end);
    const bool digits =
        !pid.isEmpty() && pid.size() <= 19 &&
        std::all_of(pid.begin(), pid.end(), [](char c) { return c >= '0' && c <= '9'; });
    const bool zero = std::all_of(pid.begin(), pid.end(), [](char c) { return c == '0'; });
    return size > LockInfoMax || !digits || (end >= 0 && zero) ? LockText::Garbage
                                                               : LockText::Readable;
}

// A lock file QLockFile cannot read (empty, or garbage) it judges by its age alone, so start-up
// would wait StaleLockMs behind it. But a live holder keeps its lock file locked with flock()
// from its creation on, and no holder writes garbage: such a file that nobody has locked is
// removed at once, an empty one as soon as it is older than a lock file ever stays empty.
void breakAbandonedLock(const QString &lockName)
{
    // The guard QLockFile itself takes to remove a stale lock, so no two removers race.
    QLockFile guard(lockName + QStringLiteral(".rmlock"));
    if (!guard.tryLock(0))
        return;
    const QByteArray name = QFile::encodeName(lockName);
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return;
    struct stat info {
    };
    bool abandoned = false;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        char head[32];
        const ssize_t got = ::read(fd, head, sizeof head);
        switch (lockText(QByteArrayView(head, std::max<ssize_t>(got, 0)), info.st_size)) {
        case LockText::Readable:
            break;
        case LockText::Garbage:
            abandoned = got >= 0;
            break;
        case LockText::Empty: {
            timespec now{};
            ::clock_gettime(CLOCK_REALTIME, &now);
            const qint64 ageMs = qint64(now.tv_sec - info.st_mtim.tv_sec) * 1000 +
                                 (now.tv_nsec - info.st_mtim.tv_nsec) / 1000000;
            abandoned = qAbs(ageMs) > EmptyLockMs;
            break;
        }
        }
    }
    // Still the same file: not removed and created anew since it was opened.
    struct stat current {
    };
    if (abandoned && ::lstat(name.constData(), &current) == 0 && current.st_ino == info.st_ino &&
        current.st_dev == info.st_dev)
        ::unlink(name.constData());
    ::close(fd);
}

// QSaveFile writes the new file under a temporary name beside the file it replaces (its name, a
// dot and six letters: hkcu.reg.AbCdEf) and renames that over it. A writer that dies between
// the two leaves that file behind, and its lock with it. The next writer, which found the lock in
// place, removes such files once it holds the lock itself: no live writer can be writing one
// then, since every writer opens its QSaveFile only under the lock.
void removeLeftovers(const QString &file)
{
    // QSaveFile writes beside the file a link leads to.
    QFileInfo target(file);
    for (int depth = 0; depth < 64 && target.isSymLink(); ++depth)
        target.setFile(target.symLinkTarget());
    const QString prefix = target.fileName() + u'.';
    const QDir folder = target.absoluteDir();
    const QStringList names =
        folder.entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks);
    for (const QString &name : names) {
        const QStringView tail = QStringView(name).sliced(std::min(prefix.size(), name.size()));
        const bool letters = tail.size() == 6 && std::all_of(tail.begin(), tail.end(), [](QChar c) {
                                 return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
                             });
        struct stat info {
        };
        const QByteArray path = QFile::encodeName(folder.filePath(name));
        if (name.startsWith(prefix) && letters && ::lstat(path.constData(), &info) == 0 &&
            S_ISREG(info.st_mode))
            ::unlink(path.constData());
    }
}

// Something no lock can ever be taken past: QLockFile would take a folder or a pipe in the
// lock's place for a lock held by someone else (and read a pipe for ever), and could not
// remove a stale lock from a folder it may not write.
QString lockObstacle(const QString &folder, const QString &lockName)
{
    if (::faccessat(AT_FDCWD, QFile::encodeName(folder).constData(), W_OK | X_OK, AT_EACCESS) != 0)
        return QStringLiteral("its folder cannot be written (%1)").arg(systemError(errno));
    for (const QString &name : {lockName, lockName + QStringLiteral(".rmlock")}) {
        struct stat info {
        };
        if (::lstat(QFile::encodeName(name).constData(), &info) == 0 && !S_ISREG(info.st_mode))
            return QStringLiteral("%1 is %2, so its lock can never be taken")
                .arg(name, kindOf(info.st_mode));
    }
    return {};
}

// QLockFile's own waiting backs off to seconds between tries; writes here are short, so a
// waiter tries again every few milliseconds and gets its turn as soon as the holder is done.
// *found tells whether a lock was in place before this one was taken.
bool takeLock(QLockFile &lock, bool *found)
{
    struct stat info {
    };
    *found = ::lstat(QFile::encodeName(lock.fileName()).constData(), &info) == 0;
    const QDeadlineTimer deadline(LockWaitMs);
    for (;;) {
        if (lock.tryLock(0))
            return true;
        *found = true;
        if (lock.error() != QLockFile::LockFailedError || deadline.hasExpired())
            return false;
        breakAbandonedLock(lock.fileName());
        QThread::msleep(QRandomGenerator::global()->bounded(2, 12));
    }
}

} // namespace

QString HiveFile::path()
{
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + QStringLiteral("/.config");
    return QDir::cleanPath(base + QStringLiteral("/ostrevan/hkcu.reg"));
}

Hive HiveFile::read()
{
    const QString file = path();
    const Loaded loaded = load(file);
    if (loaded.state != Load::Ok) {
        reportLoad(file, loaded);
        return Hive();
    }
    // The same bytes as last time give the same contents: a start-up that reads a large file
    // several times parses it once. The file is still read at every call, so a change made by
    // another process or by hand is seen at once.
    static QMutex cacheGuard;
    static QByteArray cachedBytes;
    static Hive cachedHive;
    QMutexLocker guard(&cacheGuard);
    if (!cachedBytes.isNull() && loaded.bytes == cachedBytes)
        return cachedHive;
    Hive hive = Hive::parse(loaded.bytes);
    reportParse(file, loaded.bytes, hive);
    cachedBytes = loaded.bytes;
    cachedHive = hive;
    return hive;
}

qint32 HiveFile::update(const std::function<qint32(Hive &)> &change)
{
    // The lock file keeps other processes out; this keeps out our own other threads.
    static QMutex writers;
    QMutexLocker guard(&writers);

    const QString file = path();
    const QString folder = QFileInfo(file).absolutePath();
    if (!QDir().mkpath(folder))
        return failWrite(file, QStringLiteral("its folder cannot be created"));
    const QString lockName = file + QStringLiteral(".lock");
    const QString obstacle = lockObstacle(folder, lockName);
    if (!obstacle.isEmpty())
        return failWrite(file, obstacle);
    QLockFile lock(lockName);
    lock.setStaleLockTime(StaleLockMs);
    bool found = false;
    if (!takeLock(lock, &found)) {
        return failWrite(file, lock.error() == QLockFile::LockFailedError
                                   ? QStringLiteral("another process holds its lock")
                                   : QStringLiteral("its lock file cannot be created"));
    }
    if (found)
        removeLeftovers(file);

    // Read again under the lock: what another process wrote a moment ago must be kept.
    const Loaded loaded = load(file);
    Hive hive;
    switch (loaded.state) {
    case Load::Special:
    case Load::Failed:
        // Reported like a read, so the program's first read and write say it once.
        reportLoad(file, loaded);
        return ERROR_REGISTRY_IO_FAILED;
    case Load::TooLarge:
        reportLoad(file, loaded);
        break;
    case Load::Missing:
        break;
    case Load::Ok:
        hive = Hive::parse(loaded.bytes);
        reportParse(file, loaded.bytes, hive);
        break;
    }

    const qint32 result = change(hive);
    if (result != ERROR_SUCCESS || !hive.isModified())
        return result;

    const QByteArray out = hive.toBytes();
    // Nothing is written that would not be read again.
    if (out.size() > MaxSize)
        return failWrite(file,
                         QStringLiteral("the settings would take more than %1 bytes").arg(MaxSize));
    QString copyName;
    if (loaded.state == Load::TooLarge) {
        if (!moveAside(file, &copyName))
            return failWrite(file, QStringLiteral("the file that is too large cannot be moved "
                                                  "aside (%1)")
                                       .arg(systemError(errno)));
        qWarning().noquote()
            << QStringLiteral("Settings file %1: moved aside as %2").arg(file, copyName);
    } else if (hive.skippedLines() > 0) {
        if (!keepCopy(file, loaded.bytes, &copyName))
            return failWrite(file, QStringLiteral("the unreadable file cannot be kept aside"));
        qWarning().noquote() << QStringLiteral(
                                    "Settings file %1: its unreadable lines are dropped; the file "
                                    "as it was is kept as %2")
                                    .arg(file, copyName);
    }

    // Opened only now, under the lock: see removeLeftovers.
    QSaveFile save(file);
    if (!save.open(QIODevice::WriteOnly) || save.write(out) != out.size() || !save.commit())
        return failWrite(file, save.errorString());
    report(Report::Writing, file, {}, {});
    return ERROR_SUCCESS;
}

} // namespace settings
