#include "system/services/service_failure.h"

#include "base/setup_tools.h"

bool ReportServiceFailure(DWORD error)
{
    g_setupTools.ShowSystemError(error);
    SetLastError(error);
    return false;
}
