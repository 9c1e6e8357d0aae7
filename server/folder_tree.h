#pragma once

// Deletes `folder` with everything in it, without asking and without the shell's own
// error boxes. True when the folder is gone afterwards (also when it never existed);
// otherwise the reason is the thread's last error.
bool DeleteFolderTree(const wchar_t* folder);
