#include "resources/layouts.h"

namespace layouts
{

using namespace platform;

namespace
{

// The Presets window.
constexpr ControlSpec kForm3[] = {
    {.name = "Label1",
     .text = "Select preset:",
     .left = 90,
     .top = 150,
     .width = 975,
     .height = 225},
    {.name = "Combo1",
     .kind = ControlKind::ComboBox,
     .left = 1140,
     .top = 90,
     .width = 2205,
     .height = 315,
     .tabIndex = 0},
    {.name = "Command1",
     .kind = ControlKind::CommandButton,
     .text = "Add currently displayed time as preset",
     .left = 90,
     .top = 480,
     .width = 3255,
     .height = 435,
     .tabIndex = 1},
    {.name = "Command2",
     .kind = ControlKind::CommandButton,
     .text = "Delete selected",
     .left = 90,
     .top = 960,
     .width = 1245,
     .height = 435,
     .tabIndex = 2},
    {.name = "Command3",
     .kind = ControlKind::CommandButton,
     .text = "Load selected",
     .left = 1380,
     .top = 960,
     .width = 1155,
     .height = 435,
     .tabIndex = 3},
    {.name = "Command4",
     .kind = ControlKind::CommandButton,
     .text = "Done",
     .left = 2580,
     .top = 960,
     .width = 765,
     .height = 435,
     .flags = DefaultButton,
     .tabIndex = 4},
};

constexpr TimerSpec kForm3Timers[] = {
    {.name = "Timer1", .interval = 1, .enabled = true},
};

} // namespace

const FormSpec Form3{.name = "Form3",
                     .caption = "Presets",
                     .clientWidth = 3420,
                     .clientHeight = 1470,
                     .border = BorderStyle::FixedToolWindow,
                     .startPosition = StartPosition::CenterOwner,
                     .minButton = false,
                     .controls = kForm3,
                     .timers = kForm3Timers};

} // namespace layouts
