#include "base/system_dll.h"

#include <windows.h>
#include <delayimp.h>

#include "base/system_function.h"
#include "base/whole_format.h"

namespace {

using SetDefaultDllDirectoriesCall = BOOL(WINAPI*)(DWORD flags);
using SetDllDirectoryCall = BOOL(WINAPI*)(const wchar_t* folder);

// The delay-load helper's notification before it loads a DLL by name: a module returned
// here is used instead. XP searches the program's folder first, so the name alone is never
// enough. LOAD_WITH_ALTERED_SEARCH_PATH takes the DLL's own dependencies from System32 too.
FARPROC WINAPI LoadFromSystemFolder(unsigned notification, PDelayLoadInfo info)
{
    if (notification != dliNotePreLoadLibrary)
        return nullptr;
    wchar_t name[MAX_PATH];
    HMODULE module = nullptr;
    if (FormatWhole(name, MAX_PATH, L"%hs", info->szDll))
        module = LoadSystemFolderDll(name);
    // The helper would try the name alone next. A static import that could not be loaded
    // would not have let the program start either.
    if (module == nullptr)
        ExitProcess(ERROR_MOD_NOT_FOUND);
    return reinterpret_cast<FARPROC>(module);
}

}  // namespace

// The C runtime's delay-load helper calls this hook (declared in delayimp.h); defining it
// here replaces the runtime's empty one.
PfnDliHook __pfnDliNotifyHook2 = LoadFromSystemFolder;

void LoadSystemDllsOnly()
{
    auto setDefaultDllDirectories =
        SystemFunction<SetDefaultDllDirectoriesCall>(L"kernel32.dll", "SetDefaultDllDirectories");
    if (setDefaultDllDirectories != nullptr && setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32))
        return;
    auto setDllDirectory = SystemFunction<SetDllDirectoryCall>(L"kernel32.dll", "SetDllDirectoryW");
    if (setDllDirectory != nullptr)
        setDllDirectory(L"");
}

HMODULE LoadSystemFolderDll(const wchar_t* fileName)
{
    wchar_t path[MAX_PATH];
    UINT length = GetSystemDirectoryW(path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH || !FormatWhole(path + length, MAX_PATH - length, L"\\%s", fileName))
        return nullptr;
    return LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}
