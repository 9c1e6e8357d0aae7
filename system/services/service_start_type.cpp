// Switching an installed service to automatic start, nothing else of its
// configuration changed.
#include "base/setup_tools.h"
#include "system/services/service_failure.h"
#include "system/services/service_open.h"

bool CSetupTools::SetServiceAutoStart(const wchar_t* serviceName) const
{
    if (IsMissingText(serviceName)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    OpenedService opened;
    if (!OpenServiceByName(serviceName, opened))
        return ReportServiceFailure(GetLastError());
    if (!ChangeServiceConfigW(opened.service.Get(), SERVICE_NO_CHANGE, SERVICE_AUTO_START, SERVICE_NO_CHANGE,
                              nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr))
        return ReportServiceFailure(GetLastError());
    return true;
}
