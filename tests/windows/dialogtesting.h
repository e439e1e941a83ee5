#pragma once

#include "tests/support/programfixture.h"
#include "windows/dialogs/form4.h"
#include "windows/dialogs/form5.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <functional>

// A program with files to choose from and scripts for the Options and Colors windows.
class DialogTest : public ProgramTest
{
protected:
    QTemporaryDir files;

    // Creates the file (and its folders) below the temporary folder; returns its full path.
    QString makeFile(const QString &relative, const QByteArray &contents = "RIFF....WAVE")
    {
        const QString path = files.filePath(relative);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(contents) != contents.size())
            ADD_FAILURE() << "cannot write " << path.toStdString();
        return path;
    }

    // Queues a script for the next modal Options window.
    void onOptions(std::function<void(Form5 &)> script)
    {
        waits.onModal([script](platform::Form &form) {
            ASSERT_EQ(form.objectName(), "Form5");
            script(static_cast<Form5 &>(form));
        });
    }
    void onColors(std::function<void(Form4 &)> script)
    {
        waits.onModal([script](platform::Form &form) {
            ASSERT_EQ(form.objectName(), "Form4");
            script(static_cast<Form4 &>(form));
        });
    }
    // Opens Options from the window's Options button with the script.
    void options(MainWindow &w, std::function<void(Form5 &)> script)
    {
        onOptions(std::move(script));
        w.Command3->click();
    }
    int shown(const QString &formName) const
    {
        return int(waits.log.count(QStringLiteral("modal|") + formName));
    }
};
