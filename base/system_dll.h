#pragma once
#include <windows.h>

// setup.exe, Velmora.exe and uninstall.exe run as administrator (the server as
// LocalSystem), while the folder that setup.exe starts from may be writable by anyone.
// None of them may load a DLL from its own folder or the current one: those that are not
// KnownDLLs are delay-imported (cmake/DelayImports.cmake) and loaded from System32 by
// their full path, and every other load searches System32 alone where Windows can.

// Called first in each program's entry: limits later loads by name to System32
// (SetDefaultDllDirectories, Windows 8 or an update of Vista and 7), or else at least
// removes the current folder from the search (SetDllDirectoryW, XP SP1 and later).
void LoadSystemDllsOnly();

// Loads the DLL `fileName` ("netapi32.dll") by its full path in System32, never from beside
// the program; null when it is missing (an older Windows) or cannot load.
HMODULE LoadSystemFolderDll(const wchar_t* fileName);
