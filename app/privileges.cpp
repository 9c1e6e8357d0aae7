#include "app/privileges.h"

#include <windows.h>
#include <stddef.h>

#include "base/scoped_handle.h"

namespace {

const wchar_t* const kPrivilegeNames[] = {
    L"SeCreateTokenPrivilege", L"SeAssignPrimaryTokenPrivilege", L"SeLockMemoryPrivilege",
    L"SeIncreaseQuotaPrivilege", L"SeUnsolicitedInputPrivilege", L"SeMachineAccountPrivilege",
    L"SeTcbPrivilege", L"SeSecurityPrivilege", L"SeTakeOwnershipPrivilege",
    L"SeLoadDriverPrivilege", L"SeSystemProfilePrivilege", L"SeSystemtimePrivilege",
    L"SeProfileSingleProcessPrivilege", L"SeIncreaseBasePriorityPrivilege",
    L"SeCreatePagefilePrivilege", L"SeCreatePermanentPrivilege", L"SeBackupPrivilege",
    L"SeRestorePrivilege", L"SeShutdownPrivilege", L"SeDebugPrivilege", L"SeAuditPrivilege",
    L"SeSystemEnvironmentPrivilege", L"SeChangeNotifyPrivilege", L"SeRemoteShutdownPrivilege",
    L"SeUndockPrivilege", L"SeSyncAgentPrivilege", L"SeEnableDelegationPrivilege",
    L"SeManageVolumePrivilege", L"SeImpersonatePrivilege", L"SeCreateGlobalPrivilege",
};
const DWORD kPrivilegeCount = sizeof(kPrivilegeNames) / sizeof(kPrivilegeNames[0]);

// TOKEN_PRIVILEGES with room for the whole list.
struct PrivilegeList
{
    DWORD count;
    LUID_AND_ATTRIBUTES privileges[kPrivilegeCount];
};
static_assert(offsetof(PrivilegeList, privileges) == offsetof(TOKEN_PRIVILEGES, Privileges),
              "PrivilegeList must have the layout of TOKEN_PRIVILEGES");

} // namespace

bool EnableAllPrivileges()
{
    HANDLE rawToken = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &rawToken))
        return false;
    UniqueHandle token(rawToken);

    PrivilegeList list = {};
    for (const wchar_t* name : kPrivilegeNames) {
        // A name that an older system does not know is left out; an unset identifier
        // would make the whole adjustment fail.
        LUID luid;
        if (!LookupPrivilegeValueW(nullptr, name, &luid))
            continue;
        list.privileges[list.count].Luid = luid;
        list.privileges[list.count].Attributes = SE_PRIVILEGE_ENABLED;
        ++list.count;
    }
    return AdjustTokenPrivileges(token.Get(), FALSE, reinterpret_cast<TOKEN_PRIVILEGES*>(&list), 0,
                                 nullptr, nullptr) != FALSE;
}
