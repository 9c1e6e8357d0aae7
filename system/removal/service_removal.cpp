// The services of an installation: found by the folder of their executable, stopped and
// deleted.
#include "system/removal/installation_removal.h"

#include "base/bounded_text.h"
#include "base/same_folder.h"
#include "base/scoped_handle.h"
#include "base/setup_tools.h"

namespace {

bool RunsFromFolder(const wchar_t* serviceName, const wchar_t* folder)
{
    wchar_t serviceFolder[MAX_PATH] = {};
    g_setupTools.GetServiceFolder(serviceName, serviceFolder, MAX_PATH);
    return serviceFolder[0] != 0 && SameFolder(serviceFolder, folder);
}

// A service that did not stop may have left no reason; a timeout is what it amounts to.
bool Stop(const wchar_t* serviceName)
{
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
    UniqueServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ENUMERATE_SERVICE));
    if (!manager)
        return ServiceRemoval::kListUnreadable;

    DWORD needed = 0;
    DWORD count = 0;
    DWORD resume = 0;
    EnumServicesStatusW(manager.Get(), SERVICE_WIN32, SERVICE_STATE_ALL, nullptr, 0, &needed, &count, &resume);
    for (;;) {
        // Services may come and go between the calls; a little slack saves a round.
        DWORD size = needed + 4096;
        UniqueLocalMemory memory(LocalAlloc(LMEM_FIXED, size));
        if (!memory)
            return ServiceRemoval::kListUnreadable;
        auto* services = static_cast<ENUM_SERVICE_STATUSW*>(memory.Get());
        BOOL complete = EnumServicesStatusW(manager.Get(), SERVICE_WIN32, SERVICE_STATE_ALL, services, size,
                                            &needed, &count, &resume);
        if (!complete && GetLastError() != ERROR_MORE_DATA)
            return ServiceRemoval::kListUnreadable;
        for (DWORD i = 0; i < count; ++i) {
            const wchar_t* name = services[i].lpServiceName;
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
        if (complete)
            return ServiceRemoval::kDone;
    }
}
