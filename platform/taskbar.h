#pragma once

#include <functional>

class QObject;
class QWidget;

namespace platform
{

// A window's entry in the desktop's task bar. Switched off, it stays off until it is switched
// on again: on X11 the window manager is told now (a window on the screen) and at every later
// showing (the manager drops the state of a window it no longer shows). Wayland offers no
// such switch; there the entry stays and only the state below records the wish.
void setShownInTaskbar(QWidget *window, bool shown);
bool isHiddenFromTaskbar(const QWidget *window);

// Calls `gone` once, from the event loop, when the X11 notification area that is there now
// goes away (its panel ended), or at once if it went in the meantime. Where there is none,
// or on Wayland, nothing is watched. The watch ends with `context`.
void watchX11Tray(QObject *context, std::function<void()> gone);

} // namespace platform
