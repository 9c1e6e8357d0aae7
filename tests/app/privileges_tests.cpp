// Enabling the privileges of the process token.
#include <gtest/gtest.h>
#include <windows.h>
#include <vector>

#include "app/privileges.h"
#include "app/scoped_handle.h"

namespace {

UniqueHandle OpenOwnToken()
{
    HANDLE token = nullptr;
    OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token);
    return UniqueHandle(token);
}

// The attributes of `name` in the process token; false when the token lacks it.
bool QueryPrivilege(const wchar_t* name, DWORD* attributes)
{
    LUID luid;
    if (!LookupPrivilegeValueW(nullptr, name, &luid))
        return false;
    UniqueHandle token = OpenOwnToken();
    DWORD size = 0;
    GetTokenInformation(token.Get(), TokenPrivileges, nullptr, 0, &size);
    std::vector<BYTE> buffer(size);
    if (!GetTokenInformation(token.Get(), TokenPrivileges, buffer.data(), size, &size))
        return false;
    auto* privileges = reinterpret_cast<TOKEN_PRIVILEGES*>(buffer.data());
    for (DWORD i = 0; i < privileges->PrivilegeCount; ++i) {
        const LUID& held = privileges->Privileges[i].Luid;
        if (held.LowPart == luid.LowPart && held.HighPart == luid.HighPart) {
            *attributes = privileges->Privileges[i].Attributes;
            return true;
        }
    }
    return false;
}

void DisablePrivilege(const wchar_t* name)
{
    TOKEN_PRIVILEGES change = {};
    change.PrivilegeCount = 1;
    LookupPrivilegeValueW(nullptr, name, &change.Privileges[0].Luid);
    change.Privileges[0].Attributes = 0;
    UniqueHandle token = OpenOwnToken();
    AdjustTokenPrivileges(token.Get(), FALSE, &change, 0, nullptr, nullptr);
}

} // namespace

TEST(EnableAllPrivileges, EnablesDisabledPrivilegesOfTheToken)
{
    const wchar_t* const names[] = {L"SeBackupPrivilege", L"SeRestorePrivilege", L"SeShutdownPrivilege",
                                    L"SeDebugPrivilege"};
    for (const wchar_t* name : names) {
        DWORD attributes = 0;
        ASSERT_TRUE(QueryPrivilege(name, &attributes)) << "the token lacks " << name;
        DisablePrivilege(name);
        ASSERT_TRUE(QueryPrivilege(name, &attributes));
        ASSERT_EQ(0u, attributes & SE_PRIVILEGE_ENABLED) << name;
    }

    EXPECT_TRUE(EnableAllPrivileges());

    for (const wchar_t* name : names) {
        DWORD attributes = 0;
        ASSERT_TRUE(QueryPrivilege(name, &attributes));
        EXPECT_NE(0u, attributes & SE_PRIVILEGE_ENABLED) << name;
    }
}

TEST(EnableAllPrivileges, SucceedsAlthoughTheTokenLacksSomeOfThem)
{
    // Not every listed privilege is held (Wine's token, like a normal administrator's,
    // lacks the right to create tokens); the adjustment still counts as success.
    DWORD attributes = 0;
    ASSERT_FALSE(QueryPrivilege(L"SeCreateTokenPrivilege", &attributes));
    EXPECT_TRUE(EnableAllPrivileges());
}
