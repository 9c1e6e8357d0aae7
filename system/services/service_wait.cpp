// Starting or stopping a service and waiting while it is pending. The control's own
// result is not looked at: a service that refuses shows it in the state it ends in.
#include "system/services/service_wait.h"

#include "base/setup_tools.h"
#include "system/services/service_open.h"

DWORD ControlServiceAndWaitWithin(const wchar_t* serviceName, bool stop, DWORD waitLimitMs)
{
    const DWORD unknown = CSetupTools::kUnknownServiceState;
    OpenedService opened;
    if (!OpenServiceByName(serviceName, opened))
        return unknown;
    const SC_HANDLE service = opened.service.Get();

    SERVICE_STATUS status = {};
    DWORD pendingState = 0;
    if (stop) {
        ControlService(service, SERVICE_CONTROL_STOP, &status);
        pendingState = SERVICE_STOP_PENDING;
    } else {
        StartServiceW(service, 0, nullptr);
        pendingState = SERVICE_START_PENDING;
    }

    // GetTickCount, not GetTickCount64: the 32-bit build runs on XP. Unsigned
    // differences stay right across its wrap.
    const DWORD waitStart = GetTickCount();
    if (QueryServiceStatus(service, &status)) {
        while (status.dwCurrentState == pendingState) {
            // A read that fails here would leave the old pending state in place and
            // keep us polling a service that can no longer be read.
            if (!QueryServiceStatus(service, &status))
                break;
            const DWORD waited = GetTickCount() - waitStart;
            if (waited >= waitLimitMs)
                break;
            const DWORD remaining = waitLimitMs - waited;
            Sleep(status.dwWaitHint < remaining ? status.dwWaitHint : remaining);
        }
    }

    if (!QueryServiceStatus(service, &status))
        return unknown;
    return status.dwCurrentState;
}

DWORD CSetupTools::ControlServiceAndWait(const wchar_t* serviceName, bool stop) const
{
    return ControlServiceAndWaitWithin(serviceName, stop, kServiceWaitLimitMs);
}
