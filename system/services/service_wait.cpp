// Starting or stopping a service and waiting while it is pending. The control's own
// result decides nothing: a service that refuses shows it in the state it ends in, and
// the refusal only tells why.
#include "system/services/service_wait.h"

#include "base/bounded_text.h"
#include "base/bounded_wait.h"
#include "base/setup_tools.h"
#include "system/services/service_open.h"

namespace {

// Sleeps `ms`, in slices when there is a cancel to poll; false once it answers true.
bool SleepUnlessCancelled(DWORD ms, CancelCheck cancelled, void* context)
{
    if (!cancelled) {
        Sleep(ms);
        return true;
    }
    for (;;) {
        if (cancelled(context))
            return false;
        if (ms == 0)
            return true;
        const DWORD slice = ms < kCancelPollMs ? ms : kCancelPollMs;
        Sleep(slice);
        ms -= slice;
    }
}

// Why the service is not in the state asked for.
DWORD ReasonNotReached(const SERVICE_STATUS& status, DWORD controlError, bool cancelled)
{
    if (cancelled)
        return ERROR_CANCELLED;
    if (controlError != ERROR_SUCCESS)
        return controlError;
    if (status.dwCurrentState == SERVICE_START_PENDING || status.dwCurrentState == SERVICE_STOP_PENDING)
        return ERROR_SERVICE_REQUEST_TIMEOUT;
    if (status.dwWin32ExitCode != NO_ERROR)
        return status.dwWin32ExitCode;
    return ERROR_SERVICE_NOT_ACTIVE;
}

} // namespace

DWORD ControlServiceAndWaitWithin(const wchar_t* serviceName, bool stop, DWORD waitLimitMs,
                                  CancelCheck cancelled, void* context)
{
    const DWORD unknown = CSetupTools::kUnknownServiceState;
    OpenedService opened;
    if (!OpenServiceByName(serviceName, opened))
        return unknown;
    const SC_HANDLE service = opened.service.Get();

    SERVICE_STATUS status = {};
    DWORD pendingState = 0;
    bool controlled = false;
    if (stop) {
        controlled = ControlService(service, SERVICE_CONTROL_STOP, &status) != FALSE;
        pendingState = SERVICE_STOP_PENDING;
    } else {
        controlled = StartServiceW(service, 0, nullptr) != FALSE;
        pendingState = SERVICE_START_PENDING;
    }
    const DWORD controlError = controlled ? ERROR_SUCCESS : GetLastError();

    // GetTickCount, not GetTickCount64: the 32-bit build runs on XP. Unsigned
    // differences stay right across its wrap.
    const DWORD waitStart = GetTickCount();
    bool wasCancelled = false;
    if (QueryServiceStatus(service, &status)) {
        while (status.dwCurrentState == pendingState) {
            // A read that fails here would leave the old pending state in place and
            // keep us polling a service that can no longer be read.
            if (!QueryServiceStatus(service, &status))
                break;
            const DWORD waited = GetTickCount() - waitStart;
            if (waited >= waitLimitMs) {
                wchar_t what[160];
                FormatText(what, L"the service \"%s\" to leave its %s pending state", serviceName,
                           stop ? L"stop" : L"start");
                LogWaitEndedByTime(what, waitLimitMs);
                break;
            }
            const DWORD remaining = waitLimitMs - waited;
            if (!SleepUnlessCancelled(status.dwWaitHint < remaining ? status.dwWaitHint : remaining, cancelled,
                                      context)) {
                wasCancelled = true;
                break;
            }
        }
    }

    if (!QueryServiceStatus(service, &status))
        return unknown;
    if (status.dwCurrentState != (stop ? SERVICE_STOPPED : SERVICE_RUNNING))
        SetLastError(ReasonNotReached(status, controlError, wasCancelled));
    return status.dwCurrentState;
}

DWORD CSetupTools::ControlServiceAndWait(const wchar_t* serviceName, bool stop) const
{
    return ControlServiceAndWaitWithin(serviceName, stop, kServiceWaitLimitMs);
}
