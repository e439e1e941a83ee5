#pragma once

#include <QString>
#include <QtGlobal>
#include <memory>

namespace platform
{
class Form;
}

namespace shell
{

inline constexpr int SW_SHOWDEFAULT = 10;
// Results of ShellExecute: above 32 is success, a small number names the failure.
inline constexpr qintptr ERROR_FILE_NOT_FOUND = 2;
inline constexpr qintptr SE_ERR_NOASSOC = 31;
inline constexpr qintptr ShellExecuteSucceeded = 42;

// Hands web addresses, mail links and files to the desktop: the desktop's own opener in the
// program, a recording one in tests.
class Links
{
public:
    virtual ~Links() = default;
    // Opens lpFile with the program the desktop chooses for it. lpOperation is "open" or
    // empty; lpDirectory resolves a relative file name. Returns a number above 32 when the
    // desktop took the target, ERROR_FILE_NOT_FOUND for an empty target or a missing file,
    // SE_ERR_NOASSOC for another verb or when nothing could open it. Shows no message.
    virtual qintptr ShellExecute(platform::Form *hwnd, const QString &lpOperation,
                                 const QString &lpFile, const QString &lpParameters,
                                 const QString &lpDirectory, int nShowCmd) = 0;
};

// The desktop's opener, through QDesktopServices::openUrl.
std::unique_ptr<Links> desktopLinks();

} // namespace shell
