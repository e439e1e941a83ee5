#include "tests/support/scriptedwaits.h"

#include "platform/form.h"

#include <QAction>
#include <QMenu>

using namespace platform;

void ScriptedWaits::answerMessage(MsgResult answer)
{
    onMessage([answer](const QString &, const QString &) { return answer; });
}

MsgResult ScriptedWaits::messageBox(QWidget *, const QString &text, const QString &title,
                                    MsgIcon icon, MsgButtons buttons)
{
    log << QStringLiteral("message|%1|%2|%3|%4")
               .arg(title, text, icon == MsgIcon::Exclamation ? "exclamation" : "question",
                    buttons == MsgButtons::Ok ? "ok" : "yesno");
    if (m_messages.empty())
        return buttons == MsgButtons::Ok ? MsgResult::Ok : MsgResult::No;
    auto script = std::move(m_messages.front());
    m_messages.pop_front();
    return script(text, title);
}

void ScriptedWaits::runModal(Form &form)
{
    log << QStringLiteral("modal|%1").arg(form.objectName());
    form.Show();
    if (!m_modals.empty()) {
        auto script = std::move(m_modals.front());
        m_modals.pop_front();
        script(form);
    }
    if (form.isLoaded() && form.isVisible())
        form.unload(Form::FromControlMenu);
}

QString ScriptedWaits::openFileName(QWidget *owner, const QString &title, const QString &folder,
                                    const QString &filter)
{
    log << QStringLiteral("file|%1|%2|%3|%4")
               .arg(title, folder, filter, owner ? owner->objectName() : QString());
    if (m_files.empty())
        return {};
    const QString path = m_files.front();
    m_files.pop_front();
    return path;
}

QAction *ScriptedWaits::popupMenu(QMenu &menu, const QPoint &, QAction *defaultItem)
{
    QStringList items;
    for (const QAction *item : menu.actions())
        items << (item->isSeparator() ? QStringLiteral("-") : item->text());
    log << QStringLiteral("menu|%1|%2|%3")
               .arg(menu.objectName(), defaultItem ? defaultItem->objectName() : QString(),
                    items.join(u','));
    if (m_menus.empty())
        return nullptr;
    const QString name = m_menus.front();
    m_menus.pop_front();
    return menu.findChild<QAction *>(name);
}
