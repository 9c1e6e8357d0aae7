#pragma once
#include <windows.h>

// The disk space that the installation in `folder` takes, in KiB rounded up: every file
// below it except the "backups" folder, whose copies of older versions are not the
// program. Files that cannot be listed count as nothing; 0 for a missing folder.
DWORD InstalledSizeKiB(const wchar_t* folder);
