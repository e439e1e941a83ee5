#pragma once

#include "platform/units.h"

#include <span>

// Window layouts as data: from one table per window the form builds its controls.
namespace platform
{

enum class ControlKind {
    Label,
    TextBox,
    CommandButton,
    SpinButton,
    Frame,
    OptionButton,
    CheckBox,
    ComboBox,
    PictureBox,
    Image
};

enum ControlFlag : unsigned {
    NoFlags = 0,
    Graphical = 1 << 0, // a command button whose face shows its background colour
    DefaultButton = 1 << 1,
    CancelButton = 1 << 2,
    WordWrap = 1 << 3,
    Selected = 1 << 4,    // an option button or check box that starts selected
    Transparent = 1 << 5, // a label that shows the window behind it
    Link = 1 << 6,        // a label that opens something when clicked
};

struct FontSpec {
    const char *face = nullptr; // nullptr: "MS Sans Serif"
    double points = 8.25;
    bool bold = false;
    bool underline = false;
};

inline constexpr ColorValue kDefaultColor = -1;

struct ControlSpec {
    const char *name;
    int index = -1; // -1: not part of a control array
    ControlKind kind = ControlKind::Label;
    const char *text = "";
    int left = 0, top = 0, width = 0, height = 0; // twips, in the container
    const char *container = nullptr;              // a frame's name, or nullptr for the window
    FontSpec font = {};
    ColorValue foreColor = kDefaultColor;
    ColorValue backColor = kDefaultColor;
    unsigned flags = NoFlags;
    int tabIndex = -1;                    // place in the tab order; -1: not a tab stop
    int maxLength = 0;                    // text fields: 0 means no limit
    const char *accessibleName = nullptr; // what a screen reader announces, when not the text
};

struct TimerSpec {
    const char *name;
    int interval;
    bool enabled;
};

// An item of a window's hidden pop-up menu; the caption "-" is a separator line.
struct MenuItemSpec {
    const char *name;
    const char *caption;
};

enum class BorderStyle { FixedSingle, FixedDialog, FixedToolWindow };
enum class StartPosition { CenterScreen, CenterOwner };

struct FormSpec {
    const char *name;
    const char *caption;
    int clientWidth, clientHeight; // twips
    BorderStyle border;
    StartPosition startPosition;
    bool minButton;
    std::span<const ControlSpec> controls;
    std::span<const TimerSpec> timers = {};
    const char *menuName = nullptr;
    std::span<const MenuItemSpec> menu = {};
};

} // namespace platform
