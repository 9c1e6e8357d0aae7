#pragma once

// The rights of the folder that the setup installs into: owned by Administrators, full
// control for SYSTEM and Administrators, read and execute for Users, inherited by
// everything below and not by anything from above. The service runs from there as
// SYSTEM, so a user who could write in it could run code as SYSTEM.
extern const wchar_t kProtectedFolderRights[];
// What a folder and a file below it inherit from it.
extern const wchar_t kInheritedFolderRights[];
extern const wchar_t kInheritedFileRights[];

// Creates `path` and the folders above it that are missing (as CreateDirectoryTree does);
// the topmost folder it creates gets kProtectedFolderRights, which the rest inherit. True
// when `path` is a folder afterwards (also when it existed: its rights stay as they are);
// otherwise the reason is the thread's last error.
bool CreateProtectedFolder(const wchar_t* path);
