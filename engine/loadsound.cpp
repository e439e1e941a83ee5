#include "engine/loadsound.h"

#include <QFile>
#include <QFileInfo>

namespace engine
{

QByteArray LoadSound(const QString &FileName)
{
    if (FileName.isEmpty())
        return {};
    // Only regular files: opening a FIFO would block, and a device may never end.
    const QFileInfo info(FileName);
    if (!info.isFile() || info.size() > MaxSoundFileSize)
        return {};

    QFile file(FileName);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // The size again from the open file: it may have changed since it was looked at.
    const qint64 size = file.size();
    if (size > MaxSoundFileSize)
        return {};
    QByteArray data = file.read(size);
    // A short read means a read error or a file that shrank meanwhile.
    if (data.size() != size || file.error() != QFileDevice::NoError)
        return {};

    qsizetype end = data.size();
    while (end > 0 && data.at(end - 1) == ' ')
        --end;
    qsizetype begin = 0;
    while (begin < end && data.at(begin) == ' ')
        ++begin;
    data.truncate(end);
    data.remove(0, begin);
    return data;
}

bool isTooLargeToLoad(const QString &FileName)
{
    if (FileName.isEmpty())
        return false;
    const QFileInfo info(FileName);
    return info.isFile() && info.size() > MaxSoundFileSize;
}

} // namespace engine
