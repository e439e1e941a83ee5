#pragma once

#include "settings/catalogue.h"
#include "tests/support/recordinghelp.h"
#include "tests/support/recordinglinks.h"
#include "tests/support/recordingmedia.h"
#include "tests/support/recordingnotifications.h"
#include "tests/support/recordingnotifyarea.h"
#include "tests/support/scriptedwaits.h"
#include "tests/support/virtualclock.h"
#include "windows/main/form1.h"
#include "windows/main/form1b.h"
#include "windows/program.h"

#include <gtest/gtest.h>
#include <memory>

// A whole program on the virtual clock, with scripted waits, recorded sound calls, and a
// notification area and desktop notifications in memory; every test case has an empty settings
// folder of its own.
class ProgramTest : public testing::Test
{
protected:
    platform::VirtualClock clock;
    ScriptedWaits waits;
    engine::RecordingMedia media;
    RecordingNotifyArea area;
    shell::NotifyIcons icons{area};
    RecordingHelp help;
    RecordingLinks links;
    RecordingNotifications notices;
    std::unique_ptr<Program> program;
    int ends = 0;

    void startProgram()
    {
        const platform::Services desktop{clock, waits, QStringLiteral(OSTREVAN_TEST_DATA)};
        program = std::make_unique<Program>(
            ProgramServices{desktop, media, icons, help, links, notices}, [this] { ++ends; });
        program->start();
    }
    Form1 &f1() { return program->form1(); }
    Form1b &f1b() { return program->form1b(); }

    static settings::CRegSettings store() { return settings::programStore(); }
    static QString option(const char *key, const QString &fallback = QStringLiteral("<absent>"))
    {
        return store().GetSetting(QStringLiteral("Options"), QString::fromLatin1(key), fallback);
    }
    static void setOption(const char *key, const QString &value)
    {
        store().SaveSetting(QStringLiteral("Options"), QString::fromLatin1(key), value);
    }
};
