#pragma once

#include "paint/sweep.h"
#include "windows/main/mainwindow.h"

// The large main window: the same time and the same buttons as the small one.
class Form1b : public MainWindow
{
    Q_OBJECT
public:
    explicit Form1b(MainHost &host);

protected:
    void Form_Load() override;
    void Form_QueryUnload(int &cancel, int unloadMode) override;
    MainWindow &twin() override;
    bool spinWaitsForEditing(const platform::SpinButton *spin) const override;

private:
    void Timer2_Timer();

    Sweep m_phase{256};
};
