#include "system/certificates/key_system_use.h"

namespace {

const DWORD kKeyReadRights = GENERIC_READ | GENERIC_ALL | FILE_READ_DATA;

// The accounts of LocalSystem's token that an ACE may name: SYSTEM itself and the groups
// that token always holds enabled.
bool AppliesToSystem(PSID sid)
{
    static const WELL_KNOWN_SID_TYPE kSystemToken[] = {WinLocalSystemSid, WinBuiltinAdministratorsSid, WinWorldSid,
                                                       WinAuthenticatedUserSid};
    for (WELL_KNOWN_SID_TYPE type : kSystemToken) {
        BYTE buffer[SECURITY_MAX_SID_SIZE];
        DWORD size = sizeof(buffer);
        if (CreateWellKnownSid(type, nullptr, buffer, &size) && EqualSid(sid, buffer))
            return true;
    }
    return false;
}

} // namespace

bool KeyDescriptorGrantsSystemUse(PSECURITY_DESCRIPTOR descriptor)
{
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL dacl = nullptr;
    if (descriptor == nullptr || !GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted))
        return false;
    if (!present || dacl == nullptr)
        return true;
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        ACE_HEADER* header = nullptr;
        if (!GetAce(dacl, i, reinterpret_cast<void**>(&header)) || (header->AceFlags & INHERIT_ONLY_ACE) != 0)
            continue;
        // Allowed and denied ACEs share their layout; other kinds do not concern a key.
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE && header->AceType != ACCESS_DENIED_ACE_TYPE)
            continue;
        auto* ace = reinterpret_cast<ACCESS_ALLOWED_ACE*>(header);
        if ((ace->Mask & kKeyReadRights) != 0 && AppliesToSystem(&ace->SidStart))
            return header->AceType == ACCESS_ALLOWED_ACE_TYPE;
    }
    return false;
}
