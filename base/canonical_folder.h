#pragma once
#include <stddef.h>

// The full form of a typed folder: a drive letter, a colon and a backslash, then the
// folder's names, with "/" turned into "\", repeated separators, "." and ".." resolved
// and no trailing backslash (except for the root of a drive). A relative path, a path on
// another computer or one that does not fit `capacity` is refused (false, with the reason
// in the thread's last error), as it would name a folder that depends on the current one
// or be cut to another.
bool CanonicalFolder(const wchar_t* typed, wchar_t* folder, size_t capacity);
