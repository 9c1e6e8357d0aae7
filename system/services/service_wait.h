#pragma once
#include <windows.h>

#include "base/cancel_check.h"

// The longest a single call waits for a service to leave a pending state.
const DWORD kServiceWaitLimitMs = 10 * 60 * 1000;

// ControlServiceAndWait with its own wait limit: once `waitLimitMs` has passed in the
// pending state, the state is read once more and returned as it is. `cancelled`, when
// given, is polled at least every kCancelPollMs while the service is pending; true ends
// the wait in the same way. A service that does not end in the state asked for leaves
// the reason in the thread's last error: ERROR_CANCELLED, the control's refusal,
// ERROR_SERVICE_REQUEST_TIMEOUT while still pending, or the service's own exit code.
DWORD ControlServiceAndWaitWithin(const wchar_t* serviceName, bool stop, DWORD waitLimitMs,
                                  CancelCheck cancelled = nullptr, void* context = nullptr);
