#pragma once
#include <stddef.h>

// The full form of a typed folder: a drive letter, a colon and a backslash, or a share
// ("\\server\share"), then the folder's names, with "/" turned into "\", repeated
// separators, "." and ".." resolved, every name's trailing dots and blanks dropped (as
// the system drops them), the 8.3 aliases of the part that exists in their long form, and
// no trailing backslash (except for the root of a drive). A relative path, a device path ("\\?\..." or "\\.\...") or one that does not
// fit `capacity` is refused (false, with the reason in the thread's last error), as it
// would name a folder that depends on the current one, escape the path rules, or be cut.
bool CanonicalFolder(const wchar_t* typed, wchar_t* folder, size_t capacity);
