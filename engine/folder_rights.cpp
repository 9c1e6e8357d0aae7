#include "engine/folder_rights.h"

#include <sddl.h>

#include "base/bounded_text.h"

namespace {

// S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464
bool IsTrustedInstaller(PSID sid)
{
    static const DWORD kParts[] = {80, 956008885, 3418522649u, 1831038044, 1853292631, 2271478464u};
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    const PSID_IDENTIFIER_AUTHORITY authority = GetSidIdentifierAuthority(sid);
    if (!authority || memcmp(authority, &nt, sizeof(nt)) != 0 || *GetSidSubAuthorityCount(sid) != 6)
        return false;
    for (DWORD i = 0; i < 6; ++i)
        if (*GetSidSubAuthority(sid, i) != kParts[i])
            return false;
    return true;
}

// The rights that an allowed entry's mask gives, generic ones mapped as files map them.
DWORD GrantedRights(ACCESS_MASK mask)
{
    if (mask & GENERIC_ALL)
        return FILE_ALL_ACCESS;
    if (mask & GENERIC_WRITE)
        mask |= FILE_GENERIC_WRITE;
    return mask;
}

// In the order a message names the first one found.
const struct { DWORD right; const wchar_t* name; } kRightNames[] = {
    {DELETE, L"DELETE"},
    {WRITE_DAC, L"WRITE_DAC"},
    {WRITE_OWNER, L"WRITE_OWNER"},
    {FILE_DELETE_CHILD, L"FILE_DELETE_CHILD"},
    {FILE_WRITE_DATA, L"FILE_WRITE_DATA"},
    {FILE_APPEND_DATA, L"FILE_APPEND_DATA"},
    {FILE_WRITE_EA, L"FILE_WRITE_EA"},
    {FILE_WRITE_ATTRIBUTES, L"FILE_WRITE_ATTRIBUTES"},
};

} // namespace

bool IsTrustedTrustee(PSID sid, PSID account)
{
    return sid && IsValidSid(sid) &&
           (IsWellKnownSid(sid, WinLocalSystemSid) || IsWellKnownSid(sid, WinBuiltinAdministratorsSid) ||
            IsTrustedInstaller(sid) || (account && IsValidSid(account) && EqualSid(sid, account)));
}

UntrustedRight FindUntrustedRight(PSECURITY_DESCRIPTOR descriptor, DWORD wanted, PSID account)
{
    UntrustedRight none = {false, 0, nullptr};
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    // An owner may always change the rights.
    if ((wanted & WRITE_DAC) && GetSecurityDescriptorOwner(descriptor, &owner, &defaulted) && owner &&
        !IsTrustedTrustee(owner, account))
        return {true, 0, owner};
    BOOL present = FALSE;
    PACL rights = nullptr;
    if (!GetSecurityDescriptorDacl(descriptor, &present, &rights, &defaulted))
        return none;
    // No list at all lets everybody do everything.
    if (!present || !rights) {
        static SID everyone = {SID_REVISION, 1, SECURITY_WORLD_SID_AUTHORITY, {SECURITY_WORLD_RID}};
        // Named by the right that says most: anybody may change the rights.
        if (wanted & WRITE_DAC)
            return {true, WRITE_DAC, &everyone};
        for (const auto& right : kRightNames)
            if (wanted & right.right)
                return {true, right.right, &everyone};
        return none;
    }
    for (WORD index = 0; index < rights->AceCount; ++index) {
        void* entry = nullptr;
        if (!GetAce(rights, index, &entry))
            continue;
        const ACE_HEADER* header = static_cast<const ACE_HEADER*>(entry);
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE || (header->AceFlags & INHERIT_ONLY_ACE))
            continue;
        const ACCESS_ALLOWED_ACE* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(entry);
        PSID trustee = const_cast<DWORD*>(&allowed->SidStart);
        if (IsTrustedTrustee(trustee, account))
            continue;
        const DWORD granted = GrantedRights(allowed->Mask) & wanted;
        for (const auto& right : kRightNames)
            if (granted & right.right)
                return {true, right.right, trustee};
    }
    return none;
}

const wchar_t* RightName(DWORD right)
{
    for (const auto& known : kRightNames)
        if (known.right == right)
            return known.name;
    return L"owner";
}

void NameTrustee(PSID trustee, wchar_t* name, size_t capacity)
{
    wchar_t account[256] = {}, domain[256] = {};
    DWORD accountLength = 256, domainLength = 256;
    SID_NAME_USE use;
    if (LookupAccountSidW(nullptr, trustee, account, &accountLength, domain, &domainLength, &use)) {
        FormatText(name, capacity, domain[0] ? L"%s\\%s" : L"%s%s", domain, account);
        return;
    }
    wchar_t* text = nullptr;
    if (ConvertSidToStringSidW(trustee, &text)) {
        CopyText(name, capacity, text);
        LocalFree(text);
    }
}
