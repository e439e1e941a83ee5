#pragma once

#include <QString>

class QAction;
class QMenu;
class QPoint;
class QWidget;

namespace platform
{

class Form;

enum class MsgIcon { Exclamation, Question };
enum class MsgButtons { Ok, YesNo };
// The answers carry the numbers the original message box returns.
enum class MsgResult { Ok = 1, Yes = 6, No = 7 };

// Every place where the program waits for a person goes through here: the program shows the
// real thing, a test installs scripted answers and stays synchronous.
class Waits
{
public:
    virtual ~Waits() = default;
    virtual MsgResult messageBox(QWidget *owner, const QString &text, const QString &title,
                                 MsgIcon icon, MsgButtons buttons) = 0;
    // Shows the form modally and returns once it is hidden or unloaded.
    virtual void runModal(Form &form) = 0;
    // Full path of an existing file, or an empty text when the person cancels.
    virtual QString openFileName(QWidget *owner, const QString &title, const QString &folder,
                                 const QString &filter) = 0;
    // The chosen item, or nullptr when the menu is dismissed.
    virtual QAction *popupMenu(QMenu &menu, const QPoint &globalPos, QAction *defaultItem) = 0;
};

// The real dialogs and menus.
class DesktopWaits final : public Waits
{
public:
    MsgResult messageBox(QWidget *owner, const QString &text, const QString &title, MsgIcon icon,
                         MsgButtons buttons) override;
    void runModal(Form &form) override;
    QString openFileName(QWidget *owner, const QString &title, const QString &folder,
                         const QString &filter) override;
    QAction *popupMenu(QMenu &menu, const QPoint &globalPos, QAction *defaultItem) override;
};

} // namespace platform
