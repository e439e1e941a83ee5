#include "platform/waits.h"

#include "platform/form.h"

#include <QDateTime>
#include <QEventLoop>
#include <QFileDialog>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QScrollBar>
#include <QStyle>
#include <QTreeView>
#include <algorithm>

namespace platform
{

MsgResult DesktopWaits::messageBox(QWidget *owner, const QString &text, const QString &title,
                                   MsgIcon icon, MsgButtons buttons)
{
    QMessageBox box(
        icon == MsgIcon::Exclamation ? QMessageBox::Warning : QMessageBox::Question, title, text,
        buttons == MsgButtons::Ok ? QMessageBox::Ok : (QMessageBox::Yes | QMessageBox::No), owner);
    const int answer = box.exec();
    if (buttons == MsgButtons::Ok)
        return MsgResult::Ok;
    return answer == QMessageBox::Yes ? MsgResult::Yes : MsgResult::No;
}

void DesktopWaits::runModal(Form &form)
{
    QPointer<Form> guard(&form);
    QEventLoop loop;
    // Only closing the window ends the wait. Being hidden does not: the desktop hides a
    // dialog while its owner is minimised and shows it again with the owner.
    QObject::connect(&form, &Form::unloaded, &loop, &QEventLoop::quit);
    QObject::connect(&form, &QObject::destroyed, &loop, &QEventLoop::quit);
    form.setWindowModality(Qt::ApplicationModal);
    form.Show();
    if (guard && guard->isLoaded())
        loop.exec();
}

namespace
{

// Qt's own file dialog sizes its Size, Type and Date columns for "128.88 GB", a short type name
// and a short date, which cuts "24.5 KiB", "MP3 audio" and the date short. The columns get room
// for what a folder of sounds shows, and the dialog opens wide enough to show every column whole.
void makeColumnsReadable(QFileDialog &dialog)
{
    auto *tree = dialog.findChild<QTreeView *>(QStringLiteral("treeView"));
    if (!tree) // the desktop's own dialog
        return;
    QHeaderView *header = tree->header();
    const QFontMetrics metrics(tree->font());
    const int margin = 2 * (tree->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1) +
                       metrics.horizontalAdvance(QLatin1Char(' '));
    const QString widest[] = {QLocale::system().formattedDataSize(1023 * 1024 + 1000),
                              QStringLiteral("MIDI audio"), QStringLiteral("WAV audio")};
    const int sizeWidth = metrics.horizontalAdvance(widest[0]) + margin;
    const int typeWidth =
        std::max(metrics.horizontalAdvance(widest[1]), metrics.horizontalAdvance(widest[2])) +
        margin;
    const QDateTime late(QDate(2026, 12, 28), QTime(23, 58, 58));
    const int dateWidth =
        metrics.horizontalAdvance(QLocale::system().toString(late, QLocale::ShortFormat)) + margin;
    header->resizeSection(1, std::max(header->sectionSize(1), sizeWidth));
    header->resizeSection(2, std::max(header->sectionSize(2), typeWidth));
    header->resizeSection(3, std::max(header->sectionSize(3), dateWidth));
    // The rest of the dialog around the list keeps its size; the list grows to its columns.
    const int missing = header->length() + 2 * tree->frameWidth() +
                        tree->verticalScrollBar()->sizeHint().width() - tree->sizeHint().width();
    const QSize opening = dialog.sizeHint();
    dialog.resize(opening.width() + std::max(0, missing), opening.height());
}

} // namespace

QString DesktopWaits::openFileName(QWidget *owner, const QString &title, const QString &folder,
                                   const QString &filter)
{
    QFileDialog dialog(owner, title, folder, filter);
    dialog.setFileMode(QFileDialog::ExistingFile);
    makeColumnsReadable(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

QAction *DesktopWaits::popupMenu(QMenu &menu, const QPoint &globalPos, QAction *defaultItem)
{
    menu.setDefaultAction(defaultItem);
    return menu.exec(globalPos);
}

} // namespace platform
