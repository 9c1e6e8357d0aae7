// Enabling the privileges of the process token.
#include <gtest/gtest.h>
#include <windows.h>
#include <vector>

#include "app/privileges.h"
#include "base/scoped_handle.h"

namespace {

// The attributes of `name` in the process token; false when the token lacks it. With
// `disable`, switches the privilege off first.
bool QueryPrivilege(const wchar_t* name, DWORD* attributes, bool disable = false)
{
    TOKEN_PRIVILEGES change = {1, {{{0, 0}, 0}}};
    HANDLE raw = nullptr;
    if (!LookupPrivilegeValueW(nullptr, name, &change.Privileges[0].Luid) ||
        !OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &raw))
        return false;
    UniqueHandle token(raw);
    if (disable)
        AdjustTokenPrivileges(token.Get(), FALSE, &change, 0, nullptr, nullptr);
    DWORD size = 0;
    GetTokenInformation(token.Get(), TokenPrivileges, nullptr, 0, &size);
    std::vector<BYTE> buffer(size);
    if (!GetTokenInformation(token.Get(), TokenPrivileges, buffer.data(), size, &size))
        return false;
    auto* held = reinterpret_cast<TOKEN_PRIVILEGES*>(buffer.data());
    const LUID& luid = change.Privileges[0].Luid;
    for (DWORD i = 0; i < held->PrivilegeCount; ++i) {
        if (held->Privileges[i].Luid.LowPart == luid.LowPart && held->Privileges[i].Luid.HighPart == luid.HighPart) {
            *attributes = held->Privileges[i].Attributes;
            return true;
        }
    }
    return false;
}

} // namespace

TEST(EnableAllPrivileges, EnablesDisabledPrivilegesAlthoughTheTokenLacksSomeOfThem)
{
    const wchar_t* const names[] = {L"SeBackupPrivilege", L"SeRestorePrivilege", L"SeShutdownPrivilege",
                                    L"SeDebugPrivilege"};
    for (const wchar_t* name : names) {
        DWORD attributes = 0;
        ASSERT_TRUE(QueryPrivilege(name, &attributes, true)) << "the token lacks " << name;
        ASSERT_EQ(0u, attributes & SE_PRIVILEGE_ENABLED) << name;
    }
    // Not every listed privilege is held (Wine's token, like a normal administrator's,
    // lacks the right to create tokens); the adjustment still counts as success.
    DWORD attributes = 0;
    ASSERT_FALSE(QueryPrivilege(L"SeCreateTokenPrivilege", &attributes));

    EXPECT_TRUE(EnableAllPrivileges());

    for (const wchar_t* name : names) {
        ASSERT_TRUE(QueryPrivilege(name, &attributes));
        EXPECT_NE(0u, attributes & SE_PRIVILEGE_ENABLED) << name;
    }
}
