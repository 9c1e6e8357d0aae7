#include "base/object_security.h"

#include <aclapi.h>
#include <sddl.h>

#include "base/bounded_text.h"

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

PSID RunningAccountSid(AccountSidBuffer& buffer)
{
    return ProcessAccountSid(GetCurrentProcess(), buffer);
}

PSID ProcessAccountSid(HANDLE process, AccountSidBuffer& buffer)
{
    HANDLE raw = nullptr;
    if (!OpenProcessToken(process, TOKEN_QUERY, &raw))
        return nullptr;
    UniqueHandle token(raw);
    DWORD size = 0;
    if (!GetTokenInformation(token.Get(), TokenUser, buffer.bytes, sizeof(buffer.bytes), &size))
        return nullptr;
    return reinterpret_cast<TOKEN_USER*>(buffer.bytes)->User.Sid;
}

bool PrivateFileSecurity(UniqueLocalMemory& descriptor)
{
    AccountSidBuffer buffer;
    PSID sid = RunningAccountSid(buffer);
    wchar_t* account = nullptr;
    if (!sid || !ConvertSidToStringSidW(sid, &account))
        return false;
    UniqueLocalMemory accountHolder(account);
    wchar_t text[256] = {};
    FormatText(text, L"D:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;FA;;;%s)", account);
    return SecurityFromText(text, descriptor);
}
