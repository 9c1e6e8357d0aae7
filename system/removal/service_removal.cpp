// The services of an installation: found by the folder of their executable, stopped and
// deleted.
#include "system/removal/installation_removal.h"

#include "base/bounded_text.h"
#include "base/same_folder.h"
#include "base/setup_tools.h"
#include "system/services/service_command.h"

namespace {

bool RunsFromFolder(const wchar_t* serviceName, const wchar_t* folder)
{
    wchar_t serviceFolder[MAX_PATH] = {};
    g_setupTools.GetServiceFolder(serviceName, serviceFolder, MAX_PATH);
    return serviceFolder[0] != 0 && SameFolder(serviceFolder, folder);
}

// A service that did not stop may have left no reason; a timeout is what it amounts to.
// One still starting takes no stop: it is let finish starting first (a minute at most).
bool Stop(const wchar_t* serviceName)
{
    for (int i = 0; i < 600 && g_setupTools.GetServiceState(serviceName) == SERVICE_START_PENDING; ++i)
        Sleep(100);
    if (g_setupTools.ControlServiceAndWait(serviceName, true) == SERVICE_STOPPED)
        return true;
    if (GetLastError() == NO_ERROR)
        SetLastError(ERROR_SERVICE_REQUEST_TIMEOUT);
    return false;
}

} // namespace

ServiceRemoval RemoveServiceOfFolder(const wchar_t* serviceName, const wchar_t* folder)
{
    if (!g_setupTools.ServiceExists(serviceName) || !RunsFromFolder(serviceName, folder))
        return ServiceRemoval::kNoneInFolder;
    bool stopped = Stop(serviceName);
    if (!g_setupTools.RemoveService(serviceName))
        return ServiceRemoval::kNotRemoved;
    return stopped ? ServiceRemoval::kDone : ServiceRemoval::kNotStopped;
}

ServiceRemoval RemoveServicesOfFolder(const wchar_t* folder, wchar_t* failedService, size_t capacity)
{
    std::vector<std::wstring> names;
    if (!ListServiceNames(names))
        return ServiceRemoval::kListUnreadable;
    for (const std::wstring& each : names) {
        const wchar_t* name = each.c_str();
        if (!RunsFromFolder(name, folder))
            continue;
        if (!Stop(name)) {
            DWORD error = GetLastError();
            CopyText(failedService, capacity, name);
            SetLastError(error);
            return ServiceRemoval::kNotStopped;
        }
        if (!g_setupTools.RemoveService(name))
            return ServiceRemoval::kNotRemoved;
    }
    return ServiceRemoval::kDone;
}
