#pragma once

#include <QString>

namespace platform
{

// The file whose presence marks a folder as the one holding the program's data files.
inline constexpr char HelpFileName[] = "ostv.hlp";

// The folder that holds the program's data files (the help file, the alarm sounds we ship):
// the executable's own folder when the help file lies there (a build tree), otherwise the data
// folder an installation puts beside the executable's folder (`../share/ostrevan` for the usual
// layout). The result is a clean absolute path when `executableDir` is absolute.
QString programFolder(const QString &executableDir);

} // namespace platform
