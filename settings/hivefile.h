#pragma once

#include "settings/hive.h"

#include <QString>
#include <functional>

namespace settings
{

// Results of a change made through HiveFile::update.
inline constexpr qint32 ERROR_SUCCESS = 0;
inline constexpr qint32 ERROR_FILE_NOT_FOUND = 2;
inline constexpr qint32 ERROR_ACCESS_DENIED = 5;
// A name or text that cannot be stored.
inline constexpr qint32 ERROR_INVALID_PARAMETER = 87;
// The hive file could not be read for a write, locked, or written.
inline constexpr qint32 ERROR_REGISTRY_IO_FAILED = 1016;

// The per-user hive file. Nothing is kept between calls: every read loads the file afresh, and
// every change is made under a lock file on the freshly read contents and saved atomically, so
// several running copies of the program never lose each other's writes and a crash leaves
// either the old or the new file.
//
// Only a regular file of at most MaxSize bytes is read. Anything else in its place is never
// opened in a way that could block: a folder, pipe, socket or device (or a link to one) reads
// as an empty hive and is left alone, so writes fail; a larger file reads as an empty hive and
// is moved aside as hkcu.reg.bad-<UTC time> before the next write. Each case is reported once
// on stderr.
class HiveFile
{
public:
    // Far above anything the program writes (10,000 presets take 300 KB), and small enough to
    // read at once.
    static constexpr qint64 MaxSize = 16 * 1024 * 1024;

    static QString path();
    // The current contents, from one read of the file.
    static Hive read();
    // Runs change on the current contents, read once under the lock, and saves them when it
    // returns 0 and changed something. Returns change's result, or ERROR_REGISTRY_IO_FAILED
    // when the file cannot be read, locked or written.
    static qint32 update(const std::function<qint32(Hive &)> &change);
};

} // namespace settings
