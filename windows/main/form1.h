#pragma once

#include "windows/main/mainwindow.h"

#include <QByteArray>

// The small main window. It owns the countdown, the alarm and the values other windows read.
class Form1 : public MainWindow
{
    Q_OBJECT
public:
    explicit Form1(Program &program);

    // Shows the small (0) or the large (1) window, hides the other and remembers the choice.
    void size(qint16 &Index);
    using QWidget::size;

    // The engine's state, which is the caption of Start: waiting to start (or paused), counting
    // down, or sounding the alarm.
    bool idle() const;
    bool counting() const;
    bool ringing() const;

    // Start, Stop and Alarm Off, for the buttons of both windows.
    void Command1_Click();
    // The time has run out: bring a window into view and sound the alarm.
    void alarm();

    QString fname;                   // path of the alarm sound file
    QByteArray dsound;               // the whole sound file
    platform::ColorValue oldclr = 0; // the normal button colour
    bool editing = false;            // a digit field of either window has the focus

protected:
    void Form_Load() override;
    void Form_QueryUnload(int &cancel, UnloadMode unloadMode) override;
    MainWindow &twin() override;
    bool spinWaitsForEditing(const platform::SpinButton *) const override { return false; }

private:
    void sec_Timer();
    void Timer2_Timer() override;
    void StopAlarmSound();
    void setFieldsLocked(bool locked);
};
