#pragma once
#include <windows.h>

#include <stddef.h>

#include "base/scoped_handle.h"

// The privileges of the process token that one step needs, on for as long as the holder
// lives and back as they were when it goes: the setup runs as an administrator, and a
// privilege left on would let any other step (or a bug in one) bypass the rights of files
// it never meant to touch.
//
//     static const wchar_t* const kNeeded[] = {SE_BACKUP_NAME, SE_RESTORE_NAME};
//     ScopedPrivileges privileges(kNeeded);
//     if (!privileges.Held()) ... GetLastError() says why
class ScopedPrivileges
{
public:
    static const DWORD kMost = 4;

    // Up to kMost names; a name the system does not know counts as not held.
    ScopedPrivileges(const wchar_t* const* names, size_t count);
    template <size_t N>
    explicit ScopedPrivileges(const wchar_t* const (&names)[N]) : ScopedPrivileges(names, N)
    {
        static_assert(N <= kMost, "ScopedPrivileges holds at most kMost privileges");
    }
    ~ScopedPrivileges();
    ScopedPrivileges(const ScopedPrivileges&) = delete;
    ScopedPrivileges& operator=(const ScopedPrivileges&) = delete;

    // True when every privilege asked for is on; otherwise the thread's last error says
    // why (ERROR_NOT_ALL_ASSIGNED: the account does not hold one of them).
    bool Held() const;

private:
    // TOKEN_PRIVILEGES with room for kMost entries.
    struct List
    {
        DWORD count;
        LUID_AND_ATTRIBUTES privileges[kMost];
    };

    UniqueHandle token_;
    DWORD error_ = ERROR_SUCCESS;
    List previous_ = {};  // what the adjustment changed, and so what goes back
};

// True when the process token holds every one of `names`, on or off: a step can turn on
// only what the token holds.
bool TokenHoldsPrivileges(const wchar_t* const* names, size_t count);
