#include "windows/dialogs/module1.h"

#include "platform/form.h"
#include "platform/waits.h"
#include "settings/catalogue.h"
#include "shell/shellexecute.h"
#include "windows/dialogs/form2.h"
#include "windows/program.h"

#include <QFileInfo>
#include <QStringList>

namespace
{

// "Sound Files|*.mp3;*.wav|" becomes the file dialog's "Sound Files (*.mp3 *.wav)"; several
// pairs are joined by ";;". A description without its pattern item stands alone. A description
// that already lists its patterns in brackets ("Sound Files (*.mp3, *.wav)") shows them once.
QString dialogFilter(const QString &Filter)
{
    const QStringList items = Filter.split(QLatin1Char('|'));
    QStringList filters;
    // The last item is what follows the closing "|": always empty.
    for (qsizetype i = 0; i + 1 < items.size(); i += 2) {
        QString description = items.at(i);
        const qsizetype bracket = description.lastIndexOf(QLatin1Char('('));
        if (i + 2 < items.size() && bracket > 0 && description.endsWith(QLatin1Char(')')))
            description = description.left(bracket).trimmed();
        const QString patterns =
            i + 2 < items.size() ? items.at(i + 1).split(QLatin1Char(';')).join(QLatin1Char(' '))
                                 : QString();
        filters << (patterns.isEmpty()
                        ? description
                        : description + QStringLiteral(" (") + patterns + QLatin1Char(')'));
    }
    return filters.join(QStringLiteral(";;"));
}

} // namespace

void OpenURL(Program &program, platform::Form &window, const QString &target)
{
    program.links().ShellExecute(&window, QStringLiteral("open"), target, QString(), QString(),
                                 shell::SW_SHOWDEFAULT);
}

int DigitKeyFilter(int &KeyAscii)
{
    if ((KeyAscii < '0' || KeyAscii > '9') && KeyAscii != 8)
        KeyAscii = 0;
    return KeyAscii;
}

QString OpenFileDialog(Program &program, platform::Form &owner, QString Filter,
                       const QString &Title, const QString &InitialDir)
{
    if (!Filter.endsWith(QLatin1Char('|')))
        Filter += QLatin1Char('|');

    QString result =
        program.services().waits.openFileName(&owner, Title, InitialDir, dialogFilter(Filter));
    // Only an existing file counts as chosen: one removed meanwhile, a folder or a device is
    // no alarm sound.
    if (!result.isEmpty() && !QFileInfo(result).isFile())
        result.clear();

    if (settings::readText(settings::programStore(), settings::Mp3Message) ==
            QLatin1String("yes") &&
        result.toLower().contains(QLatin1String("mp3"))) {
        Form2 notice(program);
        notice.showModal();
    }
    return result;
}
