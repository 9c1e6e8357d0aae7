// Finding the process that runs a given executable, by the path of its image.
#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>

#include "base/scoped_handle.h"
#include "base/scoped_privileges.h"
#include "base/setup_tools.h"
#include "base/system_function.h"
#include "system/services/service_failure.h"

namespace {

#ifndef PROCESS_QUERY_LIMITED_INFORMATION
#define PROCESS_QUERY_LIMITED_INFORMATION 0x1000
#endif

using QueryFullProcessImageNameCall = BOOL(WINAPI*)(HANDLE process, DWORD flags, wchar_t* path, DWORD* length);

bool ProcessRunsExecutable(DWORD processId, const wchar_t* executablePath)
{
    // Vista and later name the image of any process, whatever its bitness and ours: a
    // 32-bit setup on 64-bit Windows cannot read the module list of a 64-bit server. XP has
    // only the module list; its 64-bit edition runs the 64-bit setup.
    auto queryImageName =
        SystemFunction<QueryFullProcessImageNameCall>(L"kernel32.dll", "QueryFullProcessImageNameW");
    if (queryImageName != nullptr) {
        UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
        wchar_t imagePath[MAX_PATH + 1] = {};
        DWORD length = MAX_PATH + 1;
        return process && queryImageName(process.Get(), 0, imagePath, &length) &&
               lstrcmpiW(imagePath, executablePath) == 0;
    }
    UniqueHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId));
    if (!process)
        return false;
    // The first module listed is the main module, the executable itself.
    HMODULE mainModule = nullptr;
    DWORD needed = 0;
    if (!EnumProcessModules(process.Get(), &mainModule, sizeof(mainModule), &needed))
        return false;
    wchar_t modulePath[MAX_PATH] = {};
    if (GetModuleFileNameExW(process.Get(), mainModule, modulePath, MAX_PATH) == 0)
        return false;
    return lstrcmpiW(modulePath, executablePath) == 0;
}

} // namespace

DWORD CSetupTools::FindProcessByPath(const wchar_t* executablePath) const
{
    if (IsMissingText(executablePath))
        return 0;
    // XP reads the module list of a service's process only with it; on for this search alone.
    static const wchar_t* const kDebug[] = {SE_DEBUG_NAME};
    ScopedPrivileges debug(kDebug);
    UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot)
        return 0;

    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    if (!Process32FirstW(snapshot.Get(), &entry))
        return 0;
    for (;;) {
        if (ProcessRunsExecutable(entry.th32ProcessID, executablePath))
            return entry.th32ProcessID;
        // Cleared first, so that only the step itself can report the end of the list,
        // not an error left over from a process that could not be read.
        SetLastError(ERROR_SUCCESS);
        if (!Process32NextW(snapshot.Get(), &entry) || GetLastError() == ERROR_NO_MORE_FILES)
            return 0;
    }
}
