#pragma once

#include "settings/hive.h"

#include <QString>
#include <functional>

namespace settings
{

// The per-user hive file. Nothing is kept between calls: every read loads the file afresh, and
// every change is made under a lock file on the freshly read contents and saved atomically, so
// several running copies of the program never lose each other's writes and a crash leaves
// either the old or the new file.
class HiveFile
{
public:
    static QString path();
    // The current contents; a missing or unreadable file reads as an empty hive.
    static Hive read();
    // Runs change on the current contents and saves them when it returns 0. Returns change's
    // result, or ERROR_REGISTRY_IO_FAILED when the file cannot be read, locked or written.
    static qint32 update(const std::function<qint32(Hive &)> &change);
};

} // namespace settings
