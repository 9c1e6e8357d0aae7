#pragma once
#include <windows.h>

// A box that a page's check has the page show: a text of the current language with up to
// two text arguments, or (text_id 0) the system's text for `system_error`.
struct CheckMessage
{
    UINT style;  // MB_... ; 0: no box
    UINT text_id;
    DWORD system_error;
    wchar_t arguments[2][MAX_PATH];
};

// Shows the box, owned by `page`; returns the pressed button.
int ShowCheckMessage(HWND page, const CheckMessage& message);
