#include "platform/waits.h"

#include "platform/form.h"

#include <QEvent>
#include <QEventLoop>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>

namespace platform
{

namespace
{

// Ends a modal wait when its form is hidden, whichever way that happens.
class HideWatcher : public QObject
{
public:
    HideWatcher(QWidget *watched, QEventLoop &loop) : m_loop(loop)
    {
        watched->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Hide)
            m_loop.quit();
        return false;
    }

private:
    QEventLoop &m_loop;
};

} // namespace

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
    HideWatcher watcher(&form, loop);
    form.setWindowModality(Qt::ApplicationModal);
    form.Show();
    if (guard && guard->isVisible())
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
