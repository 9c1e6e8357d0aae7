#pragma once

// Deletes the all-users Start-menu program group `groupName` with its shortcuts.
// True when it is gone (also when there was none).
bool RemoveProgramGroup(const wchar_t* groupName);
