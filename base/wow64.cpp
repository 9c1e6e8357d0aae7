#include "base/wow64.h"

namespace {

using IsWow64ProcessCall = BOOL(WINAPI*)(HANDLE process, BOOL* wow64);
using RegDeleteKeyExCall = LONG(WINAPI*)(HKEY parent, const wchar_t* subKey, REGSAM view, DWORD reserved);

template <typename Call>
Call SystemFunction(const wchar_t* module, const char* name)
{
    FARPROC function = GetProcAddress(GetModuleHandleW(module), name);
    return reinterpret_cast<Call>(reinterpret_cast<void*>(function));
}

} // namespace

bool RunsUnderWow64()
{
    auto isWow64Process = SystemFunction<IsWow64ProcessCall>(L"kernel32.dll", "IsWow64Process");
    BOOL wow64 = FALSE;
    return isWow64Process != nullptr && isWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

LONG DeleteSharedViewKey(HKEY parent, const wchar_t* subKey)
{
    auto deleteKeyEx = SystemFunction<RegDeleteKeyExCall>(L"advapi32.dll", "RegDeleteKeyExW");
    return deleteKeyEx != nullptr ? deleteKeyEx(parent, subKey, kSharedRegistryView, 0)
                                  : RegDeleteKeyW(parent, subKey);
}
