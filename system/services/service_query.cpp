// Whether a service is installed and what state it is in. Both are silent: the callers
// decide what a missing or unreadable service means to them.
#include "base/setup_tools.h"
#include "system/services/service_open.h"

bool CSetupTools::ServiceExists(const wchar_t* serviceName) const
{
    OpenedService opened;
    return OpenServiceByName(serviceName, opened);
}

DWORD CSetupTools::GetServiceState(const wchar_t* serviceName) const
{
    OpenedService opened;
    SERVICE_STATUS status = {};
    if (!OpenServiceByName(serviceName, opened) || !QueryServiceStatus(opened.service.Get(), &status))
        return kUnknownServiceState;
    return status.dwCurrentState;
}
