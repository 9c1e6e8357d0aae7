#include "system/services/service_command.h"

#include "base/bounded_text.h"
#include "base/installation_names.h"
#include "base/same_folder.h"
#include "base/scoped_handle.h"
#include "base/whole_format.h"

namespace {

UniqueServiceHandle OpenService(const UniqueServiceHandle& manager, const wchar_t* serviceName, DWORD access)
{
    return UniqueServiceHandle(manager ? OpenServiceW(manager.Get(), serviceName, access) : nullptr);
}

} // namespace

bool ReadServiceCommand(const wchar_t* serviceName, wchar_t* command, size_t capacity)
{
    if (!serviceName || !serviceName[0] || !command || capacity == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    UniqueServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    UniqueServiceHandle service = OpenService(manager, serviceName, SERVICE_QUERY_CONFIG);
    if (!service)
        return false;
    DWORD needed = 0;
    QueryServiceConfigW(service.Get(), nullptr, 0, &needed);
    if (needed == 0)
        return false;
    UniqueLocalMemory memory(LocalAlloc(LMEM_FIXED | LMEM_ZEROINIT, needed));
    auto* config = static_cast<QUERY_SERVICE_CONFIGW*>(memory.Get());
    if (!config || !QueryServiceConfigW(service.Get(), config, needed, &needed))
        return false;
    const wchar_t* binaryPath = config->lpBinaryPathName ? config->lpBinaryPathName : L"";
    if (!FitsInto(binaryPath, capacity)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return false;
    }
    CopyText(command, capacity, binaryPath);
    return true;
}

bool WriteServiceCommand(const wchar_t* serviceName, const wchar_t* command)
{
    if (!serviceName || !serviceName[0] || !command || !command[0]) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    UniqueServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    UniqueServiceHandle service = OpenService(manager, serviceName, SERVICE_CHANGE_CONFIG);
    return service && ChangeServiceConfigW(service.Get(), SERVICE_NO_CHANGE, SERVICE_NO_CHANGE, SERVICE_NO_CHANGE,
                                           command, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
}

bool ListServiceNames(std::vector<std::wstring>& names)
{
    names.clear();
    UniqueServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ENUMERATE_SERVICE));
    if (!manager)
        return false;
    DWORD needed = 0, count = 0, resume = 0;
    EnumServicesStatusW(manager.Get(), SERVICE_WIN32, SERVICE_STATE_ALL, nullptr, 0, &needed, &count, &resume);
    for (;;) {
        // Services may come and go between the calls; a little slack saves a round.
        DWORD size = needed + 4096;
        UniqueLocalMemory memory(LocalAlloc(LMEM_FIXED, size));
        if (!memory)
            return false;
        auto* services = static_cast<ENUM_SERVICE_STATUSW*>(memory.Get());
        BOOL complete = EnumServicesStatusW(manager.Get(), SERVICE_WIN32, SERVICE_STATE_ALL, services, size, &needed,
                                            &count, &resume);
        if (!complete && GetLastError() != ERROR_MORE_DATA)
            return false;
        for (DWORD i = 0; i < count; ++i)
            names.emplace_back(services[i].lpServiceName);
        if (complete)
            return true;
    }
}

bool ServerCommandLine(const wchar_t* folder, wchar_t* command, size_t capacity)
{
    return FormatWhole(command, capacity, L"\"%s\\%s\" %s", folder, kServerProgramName, kServerServiceSwitch);
}

bool IsServerCommandOf(const wchar_t* command, const wchar_t* folder)
{
    // Service command lines are at most 32767 characters; ours fit in far less.
    wchar_t ours[2 * MAX_PATH];
    return command && ServerCommandLine(folder, ours, 2 * MAX_PATH) && SameName(command, ours);
}
