#include "platform/programfolder.h"

#include "buildinfo.h"

#include <QDir>
#include <QFileInfo>

namespace platform
{

QString programFolder(const QString &executableDir)
{
    const QString own = QDir::cleanPath(executableDir);
    // A folder named like the help file is not the help file: only a file marks the folder.
    if (QFileInfo(own + u'/' + QLatin1String(HelpFileName)).isFile())
        return own;
    return QDir::cleanPath(own + u'/' + QLatin1String(buildinfo::DataFolderFromBinFolder));
}

} // namespace platform
