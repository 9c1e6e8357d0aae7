#include "system/services/service_open.h"

#include "system/services/service_failure.h"

bool OpenServiceByName(const wchar_t* serviceName, OpenedService& opened)
{
    if (IsMissingText(serviceName)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    opened.manager.Reset(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!opened.manager)
        return false;
    opened.service.Reset(OpenServiceW(opened.manager.Get(), serviceName, SERVICE_ALL_ACCESS));
    return opened.service.IsValid();
}
