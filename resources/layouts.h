#pragma once

#include "platform/formspec.h"

// The design of every window: captions, sizes, control places, fonts, colours, tab orders.
namespace layouts
{

extern const platform::FormSpec Form1;  // the small main window
extern const platform::FormSpec Form1b; // the large main window
extern const platform::FormSpec Form2;  // the MP3 notice
extern const platform::FormSpec Form3;  // the Presets window
extern const platform::FormSpec Form4;  // the Colors window
extern const platform::FormSpec Form5;  // the Options window
extern const platform::FormSpec FrmAbt; // the About window

} // namespace layouts
