#pragma once
#include <windows.h>

// Waits until `handle` is signalled, `limitMs` at most, while handling every message of
// the calling thread, so that another thread may send messages to this thread's windows
// during the wait. A WM_QUIT that arrives meanwhile is posted again after the wait, for
// the caller's loop. Returns false with the thread's last error when the handle cannot be
// waited on, or with ERROR_TIMEOUT when the limit passed first, which the log tells,
// naming `what`.
bool WaitWithMessagePump(HANDLE handle, DWORD limitMs, const wchar_t* what);
