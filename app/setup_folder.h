#pragma once
#include <windows.h>

// The folder of the running setup, which velmorasetup.cfg is read from. A path that does
// not fit is never used cut: a cut path names another folder, one a user may have made.

// The folder part of the module path `path` that GetModuleFileNameW returned with
// `length` into a buffer of `capacity` characters, into `folder` without its trailing
// backslash. False when the path was cut (`length` 0 or not below `capacity`: Windows XP
// sets no error then and leaves the text unterminated), has no folder, or leaves no room
// beside it for the settings file's name.
bool FolderOfModulePath(const wchar_t* path, DWORD length, DWORD capacity, wchar_t (&folder)[MAX_PATH]);

// The same for this process's program. False with ERROR_FILENAME_EXCED_RANGE when its path
// is too long.
bool RunningSetupFolder(wchar_t (&folder)[MAX_PATH]);
