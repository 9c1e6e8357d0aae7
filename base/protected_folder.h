#pragma once

// The rights of the folder that the setup installs into: owned by Administrators, full
// control for SYSTEM and Administrators, read and execute for Users, inherited by
// everything below and not by anything from above. The service runs from there as
// SYSTEM, so a user who could write in it could run code as SYSTEM.
extern const wchar_t kProtectedFolderRights[];

// Creates `path` and the folders above it that are missing (as CreateDirectoryTree does);
// the topmost folder it creates gets kProtectedFolderRights, which the rest inherit. True
// when `path` is a folder afterwards (also when it existed: its rights stay as they are);
// otherwise the reason is the thread's last error.
bool CreateProtectedFolder(const wchar_t* path);

// Gives the existing folder `path` kProtectedFolderRights: owner and rights replaced, and
// the rights inherited by what lies below it. Installations made before kept the rights
// they inherited from the drive, which let users write where the service runs. False,
// with the reason in the thread's last error, when the rights could not be set.
bool ProtectFolder(const wchar_t* path);
