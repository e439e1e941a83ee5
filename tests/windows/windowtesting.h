#pragma once

#include "platform/commandbutton.h"
#include "platform/spinbutton.h"
#include "platform/textbox.h"
#include "platform/timers.h"
#include "tests/support/programfixture.h"
#include "windows/dialogs/form4.h"
#include "windows/dialogs/form5.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <array>
#include <functional>

// A program with files to choose from, helpers for both main windows and scripts for the
// Options and Colors windows.
class WindowTest : public ProgramTest
{
protected:
    QTemporaryDir files;

    std::array<MainWindow *, 2> both() { return {&f1(), &f1b()}; }
    static QString timeOf(MainWindow &w)
    {
        return w.Label2->text() + ":" + w.Label1->text() + ":" + w.Label3->text();
    }
    void setTime(const char *h, const char *m, const char *s)
    {
        f1().Label2->setText(h);
        f1().Label1->setText(m);
        f1().Label3->setText(s);
    }
    // Counts one second down to zero with the given sound file chosen.
    void ringWith(const QString &soundFile)
    {
        setOption("Sound File", soundFile);
        if (!program)
            startProgram();
        f1().Label3->setText("01");
        clock.advance(16); // Timer1 enables Start again
        f1().Command1->click();
        clock.advance(1000);
        ASSERT_EQ(f1().Command1->caption(), "Alarm Off");
    }
    void expectDress(platform::ColorValue digits, platform::ColorValue buttons)
    {
        for (MainWindow *w : both()) {
            for (platform::TextBox *field : {w->Label1, w->Label2, w->Label3})
                EXPECT_EQ(field->foreColor(), digits) << field->objectName().toStdString();
            ASSERT_EQ(w->commandButtons().size(), 7);
            for (platform::CommandButton *b : w->commandButtons())
                EXPECT_EQ(b->backColor(), buttons) << b->objectName().toStdString();
        }
        EXPECT_EQ(f1().oldclr, buttons);
    }

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

    // Queues a script for the next modal Options or Colors window.
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
