#pragma once
#include <windows.h>

// The disk space that the installation in `folder` takes, in KiB rounded up: every file
// below it except the "backups" folder, whose copies of older versions are not the
// program. Files that cannot be listed count as nothing; 0 for a missing folder.
DWORD InstalledSizeKiB(const wchar_t* folder);

// `bytes` in KiB rounded up, as the entry's 32-bit size holds them: a size beyond that
// range is the largest one it can hold, never a small number wrapped around.
DWORD KiBFromBytes(ULONGLONG bytes);
