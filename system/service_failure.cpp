#include "system/service_failure.h"

#include "app/setup_tools.h"

bool ReportServiceFailure(DWORD error)
{
    g_setupTools.ShowSystemError(error);
    SetLastError(error);
    return false;
}
