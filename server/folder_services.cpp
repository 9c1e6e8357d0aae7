#include "server/folder_services.h"

#include <windows.h>

#include "base/bounded_text.h"
#include "base/scoped_handle.h"
#include "base/setup_tools.h"
#include "server/uninstall_messages.h"

namespace {

bool StopAndRemove(const wchar_t* serviceName)
{
    if (g_setupTools.ControlServiceAndWait(serviceName, true) != SERVICE_STOPPED) {
        DWORD error = GetLastError();
        wchar_t what[512];
        FormatText(what, L"The service \"%s\" of Velmora Server could not be stopped; nothing was removed.",
                   serviceName);
        ShowUninstallError(what, error != NO_ERROR ? error : ERROR_SERVICE_REQUEST_TIMEOUT);
        return false;
    }
    // RemoveService tells the user itself why it failed.
    return g_setupTools.RemoveService(serviceName);
}

}  // namespace

bool RemoveServicesOfFolder(const wchar_t* folder)
{
    UniqueServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ENUMERATE_SERVICE));
    if (!manager) {
        ShowUninstallError(L"The list of services could not be read.", GetLastError());
        return false;
    }

    DWORD needed = 0;
    DWORD count = 0;
    DWORD resume = 0;
    EnumServicesStatusW(manager.Get(), SERVICE_WIN32, SERVICE_STATE_ALL, nullptr, 0, &needed, &count, &resume);
    for (;;) {
        // Services may come and go between the calls; a little slack saves a round.
        DWORD size = needed + 4096;
        UniqueLocalMemory memory(LocalAlloc(LMEM_FIXED, size));
        if (!memory) {
            ShowUninstallError(L"The list of services could not be read.", GetLastError());
            return false;
        }
        auto* services = static_cast<ENUM_SERVICE_STATUSW*>(memory.Get());
        BOOL complete = EnumServicesStatusW(manager.Get(), SERVICE_WIN32, SERVICE_STATE_ALL, services, size,
                                            &needed, &count, &resume);
        DWORD error = GetLastError();
        if (!complete && error != ERROR_MORE_DATA) {
            ShowUninstallError(L"The list of services could not be read.", error);
            return false;
        }
        for (DWORD i = 0; i < count; ++i) {
            wchar_t serviceFolder[MAX_PATH] = {};
            g_setupTools.GetServiceFolder(services[i].lpServiceName, serviceFolder, MAX_PATH);
            if (serviceFolder[0] == 0 || lstrcmpiW(serviceFolder, folder) != 0)
                continue;
            if (!StopAndRemove(services[i].lpServiceName))
                return false;
        }
        if (complete)
            return true;
    }
}
