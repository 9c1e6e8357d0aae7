#pragma once
#include <windows.h>

// Title of every box the uninstaller shows.
inline constexpr wchar_t kUninstallTitle[] = L"Velmora Server Uninstall";

// Shows `what` and, below it, the system's text for `error`, as an error box; nothing in
// a quiet removal (g_settings.force_auto).
void ShowUninstallError(const wchar_t* what, DWORD error);
