#pragma once
#include <windows.h>

// Shows `what` and, below it, the system's text for `error`, as an error through the
// report sink: the uninstaller's screen, or nothing in a quiet removal.
void ShowUninstallError(const wchar_t* what, DWORD error);
