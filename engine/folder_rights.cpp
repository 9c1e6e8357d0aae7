#include "engine/folder_rights.h"

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
        return DELETE | WRITE_DAC | WRITE_OWNER | FILE_DELETE_CHILD;
    return mask;
}

} // namespace

bool IsTrustedTrustee(PSID sid, PSID account)
{
    return sid && IsValidSid(sid) &&
           (IsWellKnownSid(sid, WinLocalSystemSid) || IsWellKnownSid(sid, WinBuiltinAdministratorsSid) ||
            IsTrustedInstaller(sid) || (account && IsValidSid(account) && EqualSid(sid, account)));
}

UntrustedRight FindUntrustedRight(PSECURITY_DESCRIPTOR descriptor, bool itself, bool children, PSID account)
{
    UntrustedRight none = {false, 0, nullptr};
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    // An owner may always change the rights.
    if (itself && GetSecurityDescriptorOwner(descriptor, &owner, &defaulted) && owner &&
        !IsTrustedTrustee(owner, account))
        return {true, 0, owner};
    BOOL present = FALSE;
    PACL rights = nullptr;
    if (!GetSecurityDescriptorDacl(descriptor, &present, &rights, &defaulted))
        return none;
    // No list at all lets everybody do everything.
    if (!present || !rights) {
        static SID everyone = {SID_REVISION, 1, SECURITY_WORLD_SID_AUTHORITY, {SECURITY_WORLD_RID}};
        return {true, itself ? static_cast<DWORD>(WRITE_DAC) : static_cast<DWORD>(FILE_DELETE_CHILD), &everyone};
    }
    const DWORD ownRights[] = {DELETE, WRITE_DAC, WRITE_OWNER};
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
        const DWORD granted = GrantedRights(allowed->Mask);
        if (itself)
            for (DWORD right : ownRights)
                if (granted & right)
                    return {true, right, trustee};
        if (children && (granted & FILE_DELETE_CHILD))
            return {true, FILE_DELETE_CHILD, trustee};
    }
    return none;
}

const wchar_t* RightName(DWORD right)
{
    switch (right) {
    case DELETE:
        return L"DELETE";
    case WRITE_DAC:
        return L"WRITE_DAC";
    case WRITE_OWNER:
        return L"WRITE_OWNER";
    case FILE_DELETE_CHILD:
        return L"FILE_DELETE_CHILD";
    default:
        return L"owner";
    }
}
