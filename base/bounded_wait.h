#pragma once
#include <windows.h>

// Waits on services, processes, threads and events have a limit; one that ends by time
// leaves a line in the run's log naming what was waited for and how long. (Waits on a
// person, a question's answer, have none.)

// Logs that the wait for `what` ended by time after `limitMs`.
void LogWaitEndedByTime(const wchar_t* what, DWORD limitMs);

// WaitForSingleObject on `handle` for at most `limitMs`; a wait that ends by time is logged.
DWORD WaitWithin(HANDLE handle, DWORD limitMs, const wchar_t* what);

// Waits until the thread `thread` has ended, in rounds of `roundMs`, each round that ends
// by time logged. For a thread that uses the caller's memory, which the caller may not
// leave behind: it ends by the limits of its own waits. False (with the last error) when
// the handle cannot be waited on.
bool WaitForThreadEnd(HANDLE thread, DWORD roundMs, const wchar_t* what);
