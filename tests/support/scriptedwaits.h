#pragma once

#include "platform/waits.h"

#include <QStringList>
#include <deque>
#include <functional>

// Answers every wait from a script and records it, so widget tests stay synchronous. A wait
// with no script left gets the answer a person closing it would give: OK or No for a message
// box, the close box for a modal window, Cancel for the file dialog, nothing for a menu.
class ScriptedWaits final : public platform::Waits
{
public:
    using MessageScript =
        std::function<platform::MsgResult(const QString &text, const QString &title)>;
    using ModalScript = std::function<void(platform::Form &)>;

    void answerMessage(platform::MsgResult answer);
    void onMessage(MessageScript script) { m_messages.push_back(std::move(script)); }
    void onModal(ModalScript script) { m_modals.push_back(std::move(script)); }
    void answerFile(const QString &path) { m_files.push_back(path); }
    void answerMenu(const QString &itemName) { m_menus.push_back(itemName); }

    // One line per wait: "message|<title>|<text>|<icon>|<buttons>", "modal|<form>",
    // "file|<title>|<folder>|<filter>|<owner>",
    // "menu|<menu>|<default item>|<the items' texts, '-' for a separator, joined by ','>".
    QStringList log;

    platform::MsgResult messageBox(QWidget *owner, const QString &text, const QString &title,
                                   platform::MsgIcon icon, platform::MsgButtons buttons) override;
    void runModal(platform::Form &form) override;
    QString openFileName(QWidget *owner, const QString &title, const QString &folder,
                         const QString &filter) override;
    QAction *popupMenu(QMenu &menu, const QPoint &globalPos, QAction *defaultItem) override;

private:
    std::deque<MessageScript> m_messages;
    std::deque<ModalScript> m_modals;
    std::deque<QString> m_files;
    std::deque<QString> m_menus;
};
