#pragma once

#include "platform/formspec.h"

#include <QFont>

namespace platform
{

// The design's font, or its stand-in where the face is missing: "LiquidCrystal" becomes
// "DSEG7 Classic", "MS Sans Serif" the desktop's sans-serif face, at the same size.
QFont designFont(const FontSpec &spec);

// Whether the face named by the layout is the stand-in for the digit display face.
bool isDigitFace(const FontSpec &spec);

} // namespace platform
