#include "base/wow64.h"

#include "base/system_function.h"

namespace {

using IsWow64ProcessCall = BOOL(WINAPI*)(HANDLE process, BOOL* wow64);
using RegDeleteKeyExCall = LONG(WINAPI*)(HKEY parent, const wchar_t* subKey, REGSAM view, DWORD reserved);

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
