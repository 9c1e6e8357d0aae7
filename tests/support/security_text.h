#pragma once
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <string>

// The parts `what` of a file's (by path) or a kernel object's security, as SDDL text;
// "<unreadable>" when they cannot be read.
inline std::wstring SecurityText(PSECURITY_DESCRIPTOR descriptor, SECURITY_INFORMATION what)
{
    wchar_t* text = nullptr;
    std::wstring sddl = L"<unreadable>";
    if (descriptor &&
        ConvertSecurityDescriptorToStringSecurityDescriptorW(descriptor, SDDL_REVISION_1, what, &text, nullptr)) {
        sddl = text;
        LocalFree(text);
    }
    LocalFree(descriptor);
    return sddl;
}

inline std::wstring FileRights(const std::wstring& path, SECURITY_INFORMATION what = DACL_SECURITY_INFORMATION)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, what, nullptr, nullptr, nullptr, nullptr, &descriptor) !=
        ERROR_SUCCESS)
        descriptor = nullptr;
    return SecurityText(descriptor, what);
}

inline std::wstring ObjectRights(HANDLE object, SECURITY_INFORMATION what)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(object, SE_KERNEL_OBJECT, what, nullptr, nullptr, nullptr, nullptr, &descriptor) !=
        ERROR_SUCCESS)
        descriptor = nullptr;
    return SecurityText(descriptor, what);
}
