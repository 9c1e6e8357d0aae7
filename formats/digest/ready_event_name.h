#pragma once
#include <stddef.h>

// The event on which the setup waits for the installed server to report that it is ready.
// Both sides name it from the installation folder, so they must form the name alike:
// "Global\" and the 40 lower-case hexadecimal digits of Digest160Text over the folder
// (trailing backslashes dropped, at most 259 characters, letters a-z made upper case and
// every other character kept).
const size_t kServerReadyEventNameLength = 47;

// Writes the name into `name` (at least kServerReadyEventNameLength + 1 characters).
// False for a missing folder or a buffer that is too small (ERROR_INSUFFICIENT_BUFFER).
bool ServerReadyEventName(const wchar_t* folder, wchar_t* name, size_t capacity);
