#pragma once
#include <windows.h>

// True when two folder paths name the same folder: compared without regard to case or a
// trailing backslash.
bool SameFolder(const wchar_t* a, const wchar_t* b);

// True when two names are the same to the system, which compares file, service and
// registry names without regard to case.
bool SameName(const wchar_t* a, const wchar_t* b);
