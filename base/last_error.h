#pragma once
#include <windows.h>

// The thread's last error, or `fallback` when a failed call left it at 0: a caller that
// tests the code against 0 must never take a failure for success.
DWORD LastErrorOr(DWORD fallback);

// Leaves `code` as the thread's last error and returns it.
DWORD SetResult(DWORD code);
