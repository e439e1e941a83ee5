#pragma once

#include <QString>
#include <QtGlobal>

namespace settings
{

// Numbers kept as decimal text in the settings. Text that is not a number, or a number out of
// range, gives the fallback, so a hand-edited setting can never stop the program.
qint16 storedInt16(const QString &text, qint16 fallback);
qint32 storedInt32(const QString &text, qint32 fallback);

} // namespace settings
