#include "settings/hivefile.h"

#include "settings/registry.h"

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
#include <unistd.h>

namespace settings
{

namespace
{

// A write holds the lock for milliseconds. A lock left by a process that died is taken over at
// once (its process is gone); the age limit only frees a lock whose holder hangs or runs on
// another machine, so a write never waits for ever.
constexpr int StaleLockMs = 5000;
constexpr int LockWaitMs = 6000;
constexpr int EmptyLockMs = 1000;

enum class Load { Missing, Ok, Failed };

// A writer killed between creating the lock file and writing its process id into it leaves an
// empty lock that QLockFile can only judge by its age. The id follows the creation within
// microseconds, so an empty lock a second old has no holder.
void breakEmptyLock(const QString &lockName)
{
    const auto abandoned = [&] {
        const QFileInfo info(lockName);
        return info.exists() && info.size() == 0 &&
               qAbs(info.lastModified().msecsTo(QDateTime::currentDateTime())) > EmptyLockMs;
    };
    if (!abandoned())
        return;
    // The guard QLockFile itself takes to remove a stale lock, so no two removers race.
    QLockFile guard(lockName + QStringLiteral(".rmlock"));
    if (guard.tryLock(0) && abandoned())
        QFile::remove(lockName);
}

// QLockFile's own waiting backs off to seconds between tries; writes here are short, so a
// waiter tries again every few milliseconds and gets its turn as soon as the holder is done.
bool takeLock(QLockFile &lock)
{
    const QDeadlineTimer deadline(LockWaitMs);
    for (;;) {
        if (lock.tryLock(0))
            return true;
        if (lock.error() != QLockFile::LockFailedError || deadline.hasExpired())
            return false;
        breakEmptyLock(lock.fileName());
        QThread::msleep(QRandomGenerator::global()->bounded(2, 12));
    }
}

Load readBytes(const QString &file, QByteArray *bytes, QString *error)
{
    const QFileInfo info(file);
    if (!info.exists() && !info.isSymLink())
        return Load::Missing;
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly)) {
        *error = in.errorString();
        return Load::Failed;
    }
    *bytes = in.readAll();
    if (in.error() != QFileDevice::NoError) {
        *error = in.errorString();
        return Load::Failed;
    }
    return Load::Ok;
}

// Every call loads the file, so the same fault would be reported dozens of times at start-up;
// it is reported once until the file changes.
void report(const QString &file, const QByteArray &identity, const QString &problem)
{
    static QMutex mutex;
    static QByteArray lastReported;
    const QByteArray id =
        problem.isEmpty()
            ? QByteArray()
            : file.toUtf8() + '\0' + QCryptographicHash::hash(identity, QCryptographicHash::Sha1);
    QMutexLocker locker(&mutex);
    if (id == lastReported)
        return;
    lastReported = id;
    if (!problem.isEmpty())
        qWarning().noquote() << QStringLiteral("Settings file %1: %2").arg(file, problem);
}

void reportParse(const QString &file, const QByteArray &bytes, const Hive &hive)
{
    QString problem = hive.problems();
    if (!problem.isEmpty() && hive.skippedLines() > 0)
        problem += QStringLiteral("; the file as it is will be kept beside it before it is "
                                  "next written");
    report(file, bytes, problem);
}

qint32 failWrite(const QString &file, const QString &why)
{
    qWarning().noquote() << QStringLiteral("Settings not saved to %1: %2").arg(file, why);
    return ERROR_REGISTRY_IO_FAILED;
}

// Keeps the file as it was, under a name no earlier copy has, before a rewrite drops lines.
bool keepCopy(const QString &file, const QByteArray &bytes, QString *copyName)
{
    const QString stem =
        file + QStringLiteral(".bad-") +
        QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
    for (int n = 1; n <= 100; ++n) {
        const QString name = n == 1 ? stem : stem + u'-' + QString::number(n);
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
    QByteArray bytes;
    QString error;
    switch (readBytes(file, &bytes, &error)) {
    case Load::Missing:
        return Hive();
    case Load::Failed:
        report(file, error.toUtf8(),
               QStringLiteral("cannot be read (%1); defaults are used").arg(error));
        return Hive();
    case Load::Ok:
        break;
    }
    Hive hive = Hive::parse(bytes);
    reportParse(file, bytes, hive);
    return hive;
}

qint32 HiveFile::update(const std::function<qint32(Hive &)> &change)
{
    // The lock file keeps other processes out; this keeps out our own other threads.
    static QMutex writers;
    QMutexLocker guard(&writers);

    const QString file = path();
    if (!QDir().mkpath(QFileInfo(file).absolutePath()))
        return failWrite(file, QStringLiteral("its folder cannot be created"));
    QLockFile lock(file + QStringLiteral(".lock"));
    lock.setStaleLockTime(StaleLockMs);
    if (!takeLock(lock)) {
        return failWrite(file, lock.error() == QLockFile::LockFailedError
                                   ? QStringLiteral("another process holds its lock")
                                   : QStringLiteral("its lock file cannot be created"));
    }

    // Read again under the lock: what another process wrote a moment ago must be kept.
    QByteArray bytes;
    QString error;
    if (readBytes(file, &bytes, &error) == Load::Failed)
        return failWrite(file, QStringLiteral("it cannot be read (%1)").arg(error));
    Hive hive = Hive::parse(bytes);
    reportParse(file, bytes, hive);

    const qint32 result = change(hive);
    if (result != ERROR_SUCCESS)
        return result;

    if (hive.skippedLines() > 0) {
        QString copyName;
        if (!keepCopy(file, bytes, &copyName))
            return failWrite(file, QStringLiteral("the unreadable file cannot be kept aside"));
        qWarning().noquote() << QStringLiteral(
                                    "Settings file %1: its unreadable lines are dropped; the file "
                                    "as it was is kept as %2")
                                    .arg(file, copyName);
    }

    const QByteArray out = hive.toBytes();
    QSaveFile save(file);
    if (!save.open(QIODevice::WriteOnly) || save.write(out) != out.size() || !save.commit())
        return failWrite(file, save.errorString());
    return ERROR_SUCCESS;
}

} // namespace settings
