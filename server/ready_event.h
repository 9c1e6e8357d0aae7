#pragma once

// Sets the readiness event of the installation in `folder`, if someone waits on it.
// False when there is no such event (a start without the setup) or it cannot be set.
bool SignalServerReady(const wchar_t* folder);
