#include "base/bounded_wait.h"

#include "base/setup_log.h"

void LogWaitEndedByTime(const wchar_t* what, DWORD limitMs)
{
    g_setupLog.Line(L"wait: %s did not come within %lu ms", what, limitMs);
}

DWORD WaitWithin(HANDLE handle, DWORD limitMs, const wchar_t* what)
{
    const DWORD result = WaitForSingleObject(handle, limitMs);
    if (result == WAIT_TIMEOUT)
        LogWaitEndedByTime(what, limitMs);
    return result;
}

bool WaitForThreadEnd(HANDLE thread, DWORD roundMs, const wchar_t* what)
{
    for (;;) {
        const DWORD result = WaitWithin(thread, roundMs, what);
        if (result != WAIT_TIMEOUT)
            return result == WAIT_OBJECT_0;
    }
}
