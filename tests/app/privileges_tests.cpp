// Enabling the privileges of the process token.
#include <gtest/gtest.h>
#include <windows.h>

#include "app/privileges.h"
#include "base/scoped_handle.h"

namespace {

UniqueHandle ProcessToken()
{
    HANDLE raw = nullptr;
    OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &raw);
    return UniqueHandle(raw);
}

// Switches `name` off in the process token: ERROR_NOT_ALL_ASSIGNED when the token lacks it.
DWORD Disable(const wchar_t* name)
{
    TOKEN_PRIVILEGES change = {1, {{{0, 0}, 0}}};
    LookupPrivilegeValueW(nullptr, name, &change.Privileges[0].Luid);
    UniqueHandle token = ProcessToken();
    return AdjustTokenPrivileges(token.Get(), FALSE, &change, 0, nullptr, nullptr) ? GetLastError()
                                                                                    : ERROR_INVALID_FUNCTION;
}

bool Enabled(const wchar_t* name)
{
    PRIVILEGE_SET set = {1, PRIVILEGE_SET_ALL_NECESSARY, {{{0, 0}, 0}}};
    LookupPrivilegeValueW(nullptr, name, &set.Privilege[0].Luid);
    UniqueHandle token = ProcessToken();
    BOOL enabled = FALSE;
    return PrivilegeCheck(token.Get(), &set, &enabled) && enabled;
}

} // namespace

TEST(EnableAllPrivileges, EnablesDisabledPrivilegesAlthoughTheTokenLacksSomeOfThem)
{
    const wchar_t* const names[] = {L"SeBackupPrivilege", L"SeShutdownPrivilege", L"SeDebugPrivilege"};
    for (const wchar_t* name : names) {
        ASSERT_EQ(static_cast<DWORD>(ERROR_SUCCESS), Disable(name)) << "the token lacks " << name;
        ASSERT_FALSE(Enabled(name)) << name;
    }
    // Not every listed privilege is held (Wine's token, like a normal administrator's,
    // lacks the right to create tokens); the adjustment still counts as success.
    ASSERT_EQ(static_cast<DWORD>(ERROR_NOT_ALL_ASSIGNED), Disable(L"SeCreateTokenPrivilege"));

    EXPECT_TRUE(EnableAllPrivileges());

    for (const wchar_t* name : names)
        EXPECT_TRUE(Enabled(name)) << name;
}
