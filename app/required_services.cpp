#include "app/required_services.h"

#include "app/startup_message.h"
#include "base/message_ids.h"
#include "base/setup_tools.h"

bool EnsureServiceRunsAutomatically(const wchar_t* serviceName)
{
    if (!g_setupTools.ServiceExists(serviceName)) {
        ShowStartupMessage(kMessageServiceMissing);
        return false;
    }
    // A service that already runs is left as the administrator configured it.
    if (g_setupTools.GetServiceState(serviceName) == SERVICE_RUNNING)
        return true;
    if (g_setupTools.ControlServiceAndWait(serviceName, false) != SERVICE_RUNNING ||
        !g_setupTools.SetServiceAutoStart(serviceName)) {
        ShowStartupMessage(kMessageServiceNotStarted);
        return false;
    }
    return true;
}

bool CheckRequiredServices()
{
    return EnsureServiceRunsAutomatically(L"HTTPFilter");
}
