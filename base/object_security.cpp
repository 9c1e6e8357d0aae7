#include "base/object_security.h"

#include <aclapi.h>
#include <sddl.h>

bool SecurityFromText(const wchar_t* text, UniqueLocalMemory& descriptor)
{
    PSECURITY_DESCRIPTOR made = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(text, SDDL_REVISION_1, &made, nullptr))
        return false;
    descriptor.Reset(made);
    return true;
}

bool OwnedBySystemOrAdministrators(HANDLE object)
{
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    DWORD error = GetSecurityInfo(object, SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr,
                                  nullptr, &descriptor);
    if (error != ERROR_SUCCESS) {
        SetLastError(error);
        return false;
    }
    UniqueLocalMemory holder(descriptor);
    return owner && (IsWellKnownSid(owner, WinLocalSystemSid) || IsWellKnownSid(owner, WinBuiltinAdministratorsSid));
}
