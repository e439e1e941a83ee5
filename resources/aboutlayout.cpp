#include "resources/layouts.h"

namespace layouts
{

using namespace platform;

namespace
{

constexpr FontSpec kLinkFace{.face = "MS Sans Serif", .points = 8.25, .underline = true};
constexpr ColorValue kLinkColor = 0xFF0000; // blue

// The About window: everything inside one frame without a caption. The version and the two
// addresses are the build's own and are set when the window is made.
constexpr ControlSpec kFrmAbt[] = {
    {.name = "Frame1",
     .kind = ControlKind::Frame,
     .left = 90,
     .top = 60,
     .width = 4875,
     .height = 2775},
    {.name = "Picture1",
     .kind = ControlKind::Image,
     .text = ":/pictures/logo.png",
     .left = 90,
     .top = 210,
     .width = 2085,
     .height = 1080,
     .container = "Frame1",
     .accessibleName = "Ostrevan logo"},
    {.name = "Label7",
     .left = 2310,
     .top = 210,
     .width = 1215,
     .height = 195,
     .container = "Frame1"},
    {.name = "Label2",
     .left = 2310,
     .top = 510,
     .width = 2445,
     .height = 405,
     .container = "Frame1",
     .foreColor = 0x0000FF, // red
     .flags = Transparent | WordWrap},
    {.name = "Label3",
     .text = "Find more software from Quillanor at:",
     .left = 2520,
     .top = 930,
     .width = 2175,
     .height = 405,
     .container = "Frame1",
     .foreColor = 0x000000,
     .flags = WordWrap},
    {.name = "Label6",
     .left = 2400,
     .top = 1470,
     .width = 2265,
     .height = 255,
     .container = "Frame1",
     .font = kLinkFace,
     .foreColor = kLinkColor,
     .flags = Link,
     .tabIndex = 1},
    {.name = "Label5",
     .left = 2280,
     .top = 1830,
     .width = 2535,
     .height = 225,
     .container = "Frame1",
     .font = kLinkFace,
     .foreColor = kLinkColor,
     .flags = Link,
     .tabIndex = 2},
    {.name = "Label1",
     .left = 90,
     .top = 1380,
     .width = 2085,
     .height = 1275,
     .container = "Frame1",
     .flags = WordWrap},
    {.name = "Command3",
     .kind = ControlKind::CommandButton,
     .text = "OK",
     .left = 2310,
     .top = 2250,
     .width = 2445,
     .height = 405,
     .container = "Frame1",
     .flags = DefaultButton,
     .tabIndex = 0},
};

} // namespace

const FormSpec FrmAbt{.name = "FrmAbt",
                      .caption = "About...",
                      .clientWidth = 5055,
                      .clientHeight = 2925,
                      .border = BorderStyle::FixedToolWindow,
                      .startPosition = StartPosition::CenterOwner,
                      .minButton = false,
                      .controls = kFrmAbt};

} // namespace layouts
