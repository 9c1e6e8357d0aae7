#pragma once
#include <stddef.h>

// The folder of this process's executable, without the trailing backslash.
// False when the path does not fit into `capacity` characters (ERROR_INSUFFICIENT_BUFFER).
bool GetModuleFolder(wchar_t* folder, size_t capacity);
