#pragma once

// Stops and deletes every Win32 service whose executable lies in `folder` (compared
// without regard to case). True when none is left; a service that does not stop is
// reported with an error box and ends the work (its files would still be in use).
bool RemoveServicesOfFolder(const wchar_t* folder);
