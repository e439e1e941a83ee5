#pragma once

#include "platform/form.h"
#include "settings/cregsettings.h"

namespace platform
{
class CommandButton;
class SpinButton;
class TextBox;
class Timer;
} // namespace platform

class MainHost;

// What the small and the large main window share: the same controls in two sizes, dressed
// from the same stored appearance.
class MainWindow : public platform::Form
{
    Q_OBJECT
public:
    MainWindow(MainHost &host, const platform::FormSpec &layout);

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

    // Reset: this window's fields to zero; the other window follows through the mirroring.
    void Command2_Click();
    // Options: the Options window, modal over this window; then the size and digit colour
    // chosen there are applied to both windows.
    void Command3_Click();

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
    // Enables Start unless the time reads zero, and flashes "Alarm Off".
    void Timer1_Timer();

    // Applies the stored background, digit colour and button colour; returns the button colour.
    platform::ColorValue loadAppearance();
    // Stands each spin button against the right edge of its field, extraHeight twips taller.
    void placeSpinButtons(int extraHeight);

    MainHost &m_host;
    settings::CRegSettings m_settings;

private:
    int m_flash = 0;
};
