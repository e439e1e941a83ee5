#include "shell/shellexecute.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace shell
{

namespace
{

class DesktopLinks final : public Links
{
public:
    qintptr ShellExecute(platform::Form *hwnd, const QString &lpOperation, const QString &lpFile,
                         const QString &lpParameters, const QString &lpDirectory,
                         int nShowCmd) override
    {
        // The desktop decides where and how the opened program shows; no program is started
        // with arguments of ours.
        Q_UNUSED(hwnd);
        Q_UNUSED(lpParameters);
        Q_UNUSED(nShowCmd);
        if (!lpOperation.isEmpty() && lpOperation.compare(u"open", Qt::CaseInsensitive) != 0)
            return SE_ERR_NOASSOC;
        const QString target = lpFile.trimmed();
        if (target.isEmpty())
            return ERROR_FILE_NOT_FOUND;
        // A full address ("https://...", "mailto:...") is taken as written; anything else
        // (a path, "www.example.org") the way a person would mean it.
        QUrl url(target, QUrl::StrictMode);
        if (!url.isValid() || url.scheme().size() < 2)
            url = QUrl::fromUserInput(target,
                                      lpDirectory.isEmpty() ? QDir::currentPath() : lpDirectory);
        if (!url.isValid())
            return ERROR_FILE_NOT_FOUND;
        if (url.isLocalFile() && !QFileInfo::exists(url.toLocalFile()))
            return ERROR_FILE_NOT_FOUND;
        return QDesktopServices::openUrl(url) ? ShellExecuteSucceeded : SE_ERR_NOASSOC;
    }
};

} // namespace

std::unique_ptr<Links> desktopLinks()
{
    return std::make_unique<DesktopLinks>();
}

} // namespace shell
