#pragma once
#include <windows.h>

// Checks, before any window opens, that the installation may run: Winsock, administrator
// rights, the Windows version, the HTTP SSL service on 5.x, the process privileges.
// Initialises COM and Winsock for the thread (released by the entry's teardown) and the
// common controls. Returns false after it has shown the reason. `instance` is the
// program's module; the interface framework needs nothing of it at start-up.
bool CheckEnvironment(HINSTANCE instance);
