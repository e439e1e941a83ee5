#pragma once

#include "shell/winhelp.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTreeWidget>
#include <gtest/gtest.h>
#include <ostream>

// Readable QStrings in test failures.
inline void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}

// Finds the help viewer and its parts as a person or a screen reader would: by the windows on
// the screen and the names of their parts.
namespace helpviewer
{

inline QList<QWidget *> viewers()
{
    QList<QWidget *> found;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (w->objectName() == QLatin1String("OstrevanHelp"))
            found.push_back(w);
    }
    return found;
}

inline QWidget *viewer()
{
    const QList<QWidget *> all = viewers();
    return all.size() == 1 ? all.front() : nullptr;
}

template<class T> T *part(const char *name)
{
    QWidget *v = viewer();
    return v ? v->findChild<T *>(QLatin1String(name)) : nullptr;
}

inline const auto contents = [] { return part<QTreeWidget>("contents"); };
inline const auto filter = [] { return part<QLineEdit>("indexFilter"); };
inline QListWidget *index()
{
    return part<QListWidget>("index");
}
inline const auto page = [] { return part<QTextBrowser>("page"); };
inline const auto tabs = [] { return part<QTabWidget>("sections"); };

// The heading the page shows: the topmost heading whose start lies in the visible part of the
// page, or the empty text when none does.
inline QString shownHeading(QTextBrowser *browser)
{
    for (QTextBlock block = browser->document()->begin(); block.isValid(); block = block.next()) {
        const QRect place = browser->cursorRect(QTextCursor(block));
        if (block.blockFormat().headingLevel() >= 2 && place.top() >= 0 &&
            place.bottom() <= browser->viewport()->height())
            return block.text().trimmed();
    }
    return QString();
}

inline void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size());
}

} // namespace helpviewer
