#pragma once
#include <windows.h>

// The longest a single call waits for a service to leave a pending state.
const DWORD kServiceWaitLimitMs = 10 * 60 * 1000;

// ControlServiceAndWait with its own wait limit: once `waitLimitMs` has passed in the
// pending state, the state is read once more and returned as it is.
DWORD ControlServiceAndWaitWithin(const wchar_t* serviceName, bool stop, DWORD waitLimitMs);
