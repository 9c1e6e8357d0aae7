#pragma once
#include <windows.h>

// Shows message `textId` of the current language, formatted with the arguments, in a box
// owned by `page` with the common title; returns the pressed button.
int ShowPageMessage(HWND page, UINT style, UINT textId, ...);

// Shows the system's text for `code` in a box owned by `page`; returns the pressed button.
int ShowPageSystemError(HWND page, UINT style, DWORD code);
