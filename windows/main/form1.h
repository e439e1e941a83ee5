#pragma once

#include "paint/sweep.h"
#include "windows/main/mainwindow.h"

#include <QByteArray>

// The small main window. It owns the countdown, the alarm and the values other windows read.
class Form1 : public MainWindow
{
    Q_OBJECT
public:
    explicit Form1(MainHost &host);

    // Shows the small (0) or the large (1) window, hides the other and remembers the choice.
    void size(qint16 &Index);
    qint16 sizeInUse() const { return m_sizeInUse; }

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
    void Form_QueryUnload(int &cancel, int unloadMode) override;
    MainWindow &twin() override;
    bool spinWaitsForEditing(const platform::SpinButton *) const override { return false; }

private:
    void sec_Timer();
    void Timer2_Timer();
    void StopAlarmSound();
    void setFieldsLocked(bool locked);

    qint16 m_sizeInUse = 0;
    Sweep m_phase{255};
};
