#pragma once
#include <windows.h>

// Where a window of the given rectangle goes: centred over `owner` when there is one,
// else in the work area; then pulled back inside the work area where it would stick out
// on the right or at the bottom, and never left of or above it.
POINT CenteredPosition(const RECT& window, const RECT* owner, const RECT& workArea);

// Moves `window` there (size and z-order kept). Its owner counts when it is visible and
// not minimised; the work area is the desktop without the taskbar.
void CenterInWorkArea(HWND window);
