#pragma once

class QWidget;

namespace platform
{

// A window's entry in the desktop's task bar. Once switched off it stays off for the window's
// life: on X11 the window manager is told now (a window on the screen) and at every later
// showing (the manager drops the state of a window it no longer shows). Wayland offers no
// such switch; there the entry stays and only the state below records the wish.
void hideFromTaskbar(QWidget *window);
bool isHiddenFromTaskbar(const QWidget *window);

} // namespace platform
