#include "base/scoped_privileges.h"

#include "base/scoped_handle.h"

namespace {

TOKEN_PRIVILEGES* AsTokenPrivileges(void* list)
{
    return static_cast<TOKEN_PRIVILEGES*>(list);
}

} // namespace

ScopedPrivileges::ScopedPrivileges(const wchar_t* const* names, size_t count)
{
    static_assert(offsetof(List, privileges) == offsetof(TOKEN_PRIVILEGES, Privileges),
                  "List must have the layout of TOKEN_PRIVILEGES");
    List wanted = {};
    for (size_t i = 0; i < count; ++i) {
        const wchar_t* name = names[i];
        if (wanted.count == kMost || !LookupPrivilegeValueW(nullptr, name, &wanted.privileges[wanted.count].Luid)) {
            error_ = ERROR_NO_SUCH_PRIVILEGE;
            return;
        }
        wanted.privileges[wanted.count++].Attributes = SE_PRIVILEGE_ENABLED;
    }
    HANDLE raw = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &raw)) {
        error_ = GetLastError();
        return;
    }
    token_.Reset(raw);
    DWORD size = sizeof(previous_);
    // Succeeds also when only some could be turned on; the last error tells which.
    if (!AdjustTokenPrivileges(token_.Get(), FALSE, AsTokenPrivileges(&wanted), size, AsTokenPrivileges(&previous_),
                               &size))
        error_ = GetLastError();
    else
        error_ = GetLastError() == ERROR_NOT_ALL_ASSIGNED ? ERROR_NOT_ALL_ASSIGNED : ERROR_SUCCESS;
}

ScopedPrivileges::~ScopedPrivileges()
{
    if (token_.Get() && previous_.count)
        AdjustTokenPrivileges(token_.Get(), FALSE, AsTokenPrivileges(&previous_), 0, nullptr, nullptr);
}

bool ScopedPrivileges::Held() const
{
    SetLastError(error_);
    return error_ == ERROR_SUCCESS;
}

bool TokenHoldsPrivileges(const wchar_t* const* names, size_t count)
{
    HANDLE raw = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw))
        return false;
    UniqueHandle token(raw);
    DWORD size = 0;
    GetTokenInformation(token.Get(), TokenPrivileges, nullptr, 0, &size);
    if (size == 0)
        return false;
    alignas(TOKEN_PRIVILEGES) BYTE buffer[4096];
    if (size > sizeof(buffer) || !GetTokenInformation(token.Get(), TokenPrivileges, buffer, size, &size))
        return false;
    const TOKEN_PRIVILEGES* held = reinterpret_cast<const TOKEN_PRIVILEGES*>(buffer);
    for (size_t n = 0; n < count; ++n) {
        LUID wanted = {};
        if (!LookupPrivilegeValueW(nullptr, names[n], &wanted))
            return false;
        bool found = false;
        for (DWORD i = 0; i < held->PrivilegeCount && !found; ++i)
            found = held->Privileges[i].Luid.LowPart == wanted.LowPart &&
                    held->Privileges[i].Luid.HighPart == wanted.HighPart;
        if (!found) {
            SetLastError(ERROR_PRIVILEGE_NOT_HELD);
            return false;
        }
    }
    return true;
}
