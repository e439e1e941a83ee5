#pragma once

#include "windows/main/mainwindow.h"

// The large main window: the same time and the same buttons as the small one.
class Form1b : public MainWindow
{
    Q_OBJECT
public:
    explicit Form1b(Program &program);

protected:
    void Form_Load() override;
    void Form_QueryUnload(int &cancel, UnloadMode unloadMode) override;
    MainWindow &twin() override;
    bool spinWaitsForEditing(const platform::SpinButton *spin) const override;

private:
    void Timer2_Timer() override;
};
