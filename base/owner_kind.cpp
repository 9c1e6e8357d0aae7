#include "base/owner_kind.h"

#include <aclapi.h>
#include <lm.h>
#include <sddl.h>

#include "base/object_security.h"
#include "base/scoped_handle.h"
#include "base/system_dll.h"
#include "base/system_function.h"

namespace {

const wchar_t kTrustedInstallerSid[] = L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";

bool IsTrustedInstaller(PSID owner)
{
    PSID trusted = nullptr;
    if (!ConvertStringSidToSidW(kTrustedInstallerSid, &trusted))
        return false;
    UniqueLocalMemory holder(trusted);
    return EqualSid(owner, trusted) != FALSE;
}

bool IsRunningAccount(PSID owner)
{
    AccountSidBuffer buffer;
    PSID account = RunningAccountSid(buffer);
    return account && EqualSid(owner, account);
}

using GetMembersCall = NET_API_STATUS(WINAPI*)(LPCWSTR, LPCWSTR, DWORD, LPBYTE*, DWORD, LPDWORD, LPDWORD,
                                               PDWORD_PTR);
using FreeBufferCall = NET_API_STATUS(WINAPI*)(LPVOID);

// netapi32 is no KnownDLL: taken by its full path in System32, never from beside setup.exe,
// and only when an owner is to be judged.
HMODULE NetApi()
{
    static HMODULE module = LoadSystemFolderDll(L"netapi32.dll");
    return module;
}

template <typename Call>
Call NetApiFunction(const char* name)
{
    return SystemFunction<Call>(NetApi(), name);
}

// Only the group's direct members: a domain group nested in it is not looked into.
bool IsAdministratorsMember(PSID owner)
{
    const auto getMembers = NetApiFunction<GetMembersCall>("NetLocalGroupGetMembers");
    const auto freeBuffer = NetApiFunction<FreeBufferCall>("NetApiBufferFree");
    if (!getMembers || !freeBuffer)
        return false;
    BYTE administrators[SECURITY_MAX_SID_SIZE] = {};
    DWORD sidSize = sizeof(administrators);
    if (!CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &sidSize))
        return false;
    // The group's name differs by language: it is looked up by its SID.
    wchar_t group[256] = {};
    wchar_t domain[256] = {};
    DWORD groupLength = 256, domainLength = 256;
    SID_NAME_USE use;
    if (!LookupAccountSidW(nullptr, administrators, group, &groupLength, domain, &domainLength, &use))
        return false;
    BYTE* members = nullptr;
    DWORD read = 0, total = 0;
    if (getMembers(nullptr, group, 0, &members, MAX_PREFERRED_LENGTH, &read, &total, nullptr) != NERR_Success)
        return false;
    bool member = false;
    const auto* list = reinterpret_cast<const LOCALGROUP_MEMBERS_INFO_0*>(members);
    for (DWORD i = 0; i < read && !member; ++i)
        member = list[i].lgrmi0_sid && EqualSid(owner, list[i].lgrmi0_sid);
    freeBuffer(members);
    return member;
}

} // namespace

OwnerKind ClassifyOwner(PSID owner)
{
    if (!owner || !IsValidSid(owner))
        return OwnerKind::kUnknown;
    if (IsWellKnownSid(owner, WinLocalSystemSid))
        return OwnerKind::kSystem;
    if (IsWellKnownSid(owner, WinBuiltinAdministratorsSid))
        return OwnerKind::kAdministrators;
    if (IsTrustedInstaller(owner))
        return OwnerKind::kTrustedInstaller;
    if (IsRunningAccount(owner))
        return OwnerKind::kRunningAccount;
    if (IsAdministratorsMember(owner))
        return OwnerKind::kAdministratorMember;
    return OwnerKind::kOther;
}

OwnerKind FileOwnerKind(HANDLE file)
{
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(file, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                        &descriptor) != ERROR_SUCCESS)
        return OwnerKind::kUnknown;
    UniqueLocalMemory holder(descriptor);
    return ClassifyOwner(owner);
}

bool IsAdministrativeOrOwnOwner(OwnerKind kind)
{
    return kind == OwnerKind::kSystem || kind == OwnerKind::kAdministrators ||
           kind == OwnerKind::kAdministratorMember || kind == OwnerKind::kRunningAccount;
}

const wchar_t* OwnerKindText(OwnerKind kind)
{
    switch (kind) {
    case OwnerKind::kSystem:
        return L"SYSTEM";
    case OwnerKind::kAdministrators:
        return L"Administrators";
    case OwnerKind::kTrustedInstaller:
        return L"TrustedInstaller";
    case OwnerKind::kAdministratorMember:
        return L"a member of Administrators";
    case OwnerKind::kRunningAccount:
        return L"the account running the setup";
    case OwnerKind::kOther:
        return L"an account that is no administrator";
    default:
        return L"nobody the system can name";
    }
}
