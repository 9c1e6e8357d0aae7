// Removing a service: a running one is asked to stop first; a service that is not
// installed counts as removed.
#include "base/setup_tools.h"
#include "system/services/service_failure.h"
#include "system/services/service_open.h"
#include "system/services/service_wait.h"

bool CSetupTools::RemoveService(const wchar_t* serviceName) const
{
    if (IsMissingText(serviceName)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    OpenedService opened;
    if (!OpenServiceByName(serviceName, opened)) {
        const DWORD error = GetLastError();
        if (error == ERROR_SERVICE_DOES_NOT_EXIST)
            return true;
        return ReportServiceFailure(error);
    }
    const SC_HANDLE service = opened.service.Get();

    SERVICE_STATUS status = {};
    if (!QueryServiceStatus(service, &status))
        return ReportServiceFailure(GetLastError());
    if (status.dwCurrentState == SERVICE_RUNNING) {
        if (!ControlService(service, SERVICE_CONTROL_STOP, &status))
            return ReportServiceFailure(GetLastError());
        // One pause for the stop to get under way; the deletion completes when the
        // service's process has gone. The hint is the service's word, so it is capped.
        Sleep(status.dwWaitHint < kServiceWaitLimitMs ? status.dwWaitHint : kServiceWaitLimitMs);
    }

    if (!DeleteService(service))
        return ReportServiceFailure(GetLastError());
    return true;
}
