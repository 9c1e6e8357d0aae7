#pragma once
#include <windows.h>

#include "base/cancel_check.h"

// Waits, a few seconds at most, until no process runs the server "Velmora.exe" of the
// installation folder `folder`: a stopped service's process may linger while it lets go of
// its files and its readiness event. `cancel` (may be null) ends the wait early. True when
// the server is gone.
bool WaitForServerExit(const wchar_t* folder, CancelCheck cancel, void* context);
