#pragma once

#include "platform/formspec.h"

#include <QFont>
#include <QSize>
#include <QString>

namespace platform
{

// The design's font, or its stand-in where the face is missing: "LiquidCrystal" becomes
// "DSEG7 Classic", "MS Sans Serif" the desktop's sans-serif face, at the same size.
QFont designFont(const FontSpec &layout);

// The font, made smaller where needed (down to three quarters of its size) so that the text
// fits the box as it does in the designed face; wrapped text may use the box's height.
QFont fitText(const QFont &font, const QString &text, const QSize &box, bool wrap);

// The font, made smaller where needed (down to `smallest` pixels) so that the text fits on one
// line of the given width.
QFont fitWidth(const QFont &font, const QString &text, int width, int smallest);

// Whether the face named by the layout is the stand-in for the digit display face.
bool isDigitFace(const FontSpec &layout);

} // namespace platform
