#include "platform/waits.h"

#include "platform/form.h"

#include <QEventLoop>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>

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

QString DesktopWaits::openFileName(QWidget *owner, const QString &title, const QString &folder,
                                   const QString &filter)
{
    return QFileDialog::getOpenFileName(owner, title, folder, filter);
}

QAction *DesktopWaits::popupMenu(QMenu &menu, const QPoint &globalPos, QAction *defaultItem)
{
    menu.setDefaultAction(defaultItem);
    return menu.exec(globalPos);
}

} // namespace platform
