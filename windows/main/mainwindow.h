#pragma once

#include "paint/sweep.h"
#include "platform/form.h"
#include "settings/catalogue.h"
#include "settings/cregsettings.h"

#include <memory>

namespace platform
{
class CommandButton;
class SpinButton;
class TextBox;
class Timer;
} // namespace platform

class Program;

// What the small and the large main window share: the same controls in two sizes, dressed
// from the same stored appearance.
class MainWindow : public platform::Form
{
    Q_OBJECT
public:
    // sweepTop is where the animated background's phase turns.
    MainWindow(Program &program, const platform::FormSpec &layout, int sweepTop);
    ~MainWindow() override;

    // The digit fields (note: not in screen order) and their spin buttons.
    platform::TextBox *const Label1; // minutes
    platform::TextBox *const Label2; // hours
    platform::TextBox *const Label3; // seconds
    platform::SpinButton *const UpDown1;
    platform::SpinButton *const UpDown2;
    platform::SpinButton *const UpDown3;
    platform::CommandButton *const Command1; // Start / Stop / Alarm Off
    platform::CommandButton *const Command2; // Reset
    platform::CommandButton *const Command3; // Options
    platform::CommandButton *const Command4; // Help
    platform::CommandButton *const Command5; // Tray
    platform::CommandButton *const Command6; // About
    platform::CommandButton *const Command7; // Presets
    platform::Timer *const Timer1;
    platform::Timer *const Timer2;
    platform::Timer *const sec;

    void setDigitColor(platform::ColorValue color);
    void setButtonColor(platform::ColorValue color);
    void setSpinButtonsEnabled(bool enabled);
    bool readsZero() const;
    // Follows a change of the engine's state: Start's enabling, and the flashing, which runs
    // only while the alarm sounds.
    void engineStateChanged();

    // Reset: this window's fields to zero; the other window follows through the mirroring.
    void Command2_Click();
    // Options: the Options window, modal over this window; then the size and digit colour
    // chosen there are applied to both windows.
    void Command3_Click();
    // Help: the help viewer on the program's help file.
    void Command4_Click();
    // About: the About window, modal, with no owner.
    void Command6_Click();
    // Presets: the Presets window, modal over this window.
    void Command7_Click();

    // Tray: this window goes into the notification area, where an icon with a tip takes its
    // place, and both windows leave the task bar. Where the desktop has no notification area
    // the window is minimised instead, and the task-bar entries come back.
    void GoSystemTray();
    void Command5_Click();
    // The icon's menu: Restore brings this window back, About shows the About window and
    // leaves the icon, Exit removes the icon and ends the program.
    void mnuSTRest_Click();
    void mnuSTAbt_Click();
    void mnSTEX_Click();

protected:
    virtual MainWindow &twin() = 0;
    // Whether a spin button leaves its field alone while a digit field has the focus.
    virtual bool spinWaitsForEditing(const platform::SpinButton *spin) const = 0;

    // The digit fields' handlers, the same for every field F with its spin button S.
    void Label_Click(platform::TextBox *F);
    void Label_GotFocus();
    void Label_KeyPress(int &KeyAscii);
    void Label_Change(platform::TextBox *F, platform::SpinButton *S);
    void Label_LostFocus(platform::TextBox *F, platform::SpinButton *S);
    void UpDown_Change(platform::SpinButton *S, platform::TextBox *F);
    // Flashes "Alarm Off", and enables Start unless the time reads zero.
    void Timer1_Timer();
    void enableStart();
    // One step of the animated background.
    virtual void Timer2_Timer() = 0;

    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void changeEvent(QEvent *event) override;
    // The notification icon's events arrive here as mouse moves whose X, in pixels, is the
    // event's number; ordinary mouse moves find no icon shown and are ignored.
    void Form_MouseMove(int Button, int Shift, double X, double Y) override;

    // Applies the stored background, digit colour and button colour; returns the button colour.
    platform::ColorValue loadAppearance();
    // Stands each spin button against the right edge of its field, extraHeight twips taller.
    void placeSpinButtons(int extraHeight);

    Program &program;
    settings::CRegSettings m_settings = settings::programStore();
    Sweep m_phase;

private:
    // Removes the icon and shows this window again.
    void leaveSystemTray();
    // Both windows' task-bar entries.
    void setShownInTaskbar(bool shown);
    // While this window sits in the notification area, at every tick and whenever the host
    // may have gone: a host that went away takes no window with it.
    void trayWatch_Timer();

    int m_flash = 0;
    std::unique_ptr<platform::Timer> m_trayWatch;
};
