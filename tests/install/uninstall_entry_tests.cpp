// Removing the entries of a folder from the list of installed programs: ours only, whatever
// the spelling of the folder.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "base/scoped_handle.h"
#include "support/at_scope_exit.h"
#include "support/uninstall_entry_reader.h"
#include "system/uninstall/installed_size.h"
#include "system/uninstall/uninstall_entry.h"

namespace {

// Programs and Features lists other programs beside ours, and paths come in any case.
TEST(UninstallEntryRemoval, TakesOurEntriesOfTheFolderWhateverItsSpellingAndNothingElse)
{
    const std::wstring tag = std::to_wstring(GetCurrentProcessId());
    const std::wstring folder = L"C:\\Velmora Entry " + tag + L"\\Сервер";
    UninstallEntryReader ours(L"Case" + tag);
    UninstallEntryReader second(L"Second" + tag);
    ASSERT_TRUE(WriteUninstallEntry((L"Case" + tag).c_str(), folder.c_str(), 1));
    ASSERT_TRUE(WriteUninstallEntry((L"Second" + tag).c_str(), folder.c_str(), 1));
    // Another maker's program in the same folder.
    const std::wstring foreignPath = std::wstring(kUninstallRoot) + L"\\Foreign" + tag;
    HKEY created = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, foreignPath.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                                             nullptr, &created, nullptr));
    UniqueRegKey foreign(created);
    AtScopeExit removeForeign([&] { RegDeleteKeyW(HKEY_LOCAL_MACHINE, foreignPath.c_str()); });
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(foreign.Get(), L"InstallLocation", 0, REG_SZ,
                                            reinterpret_cast<const BYTE*>(folder.c_str()),
                                            static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t))));

    const std::wstring otherSpelling = L"c:\\VELMORA ENTRY " + tag + L"\\сЕРВЕР\\";
    EXPECT_TRUE(RemoveUninstallEntriesOfFolder(otherSpelling.c_str()));
    EXPECT_FALSE(ours.Exists());
    EXPECT_FALSE(second.Exists());
    HKEY left = nullptr;
    EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, foreignPath.c_str(), 0, KEY_READ, &left));
    UniqueRegKey leftHolder(left);
    // Nothing of ours left there is no failure.
    EXPECT_TRUE(RemoveUninstallEntriesOfFolder(otherSpelling.c_str()));
}

}  // namespace

// The entry's size is 32 bits of KiB: a tree beyond 4 TiB is listed as the largest size,
// never as a small one wrapped around.
TEST(InstalledSize, RoundsUpToKiBAndStopsAtTheLargestSizeTheEntryHolds)
{
    const struct
    {
        ULONGLONG bytes;
        DWORD kib;
    } cases[] = {
        {0, 0},
        {1, 1},
        {1024, 1},
        {1025, 2},
        {0xFFFFFFFFull * 1024, 0xFFFFFFFFul},
        {0xFFFFFFFFull * 1024 + 1, 0xFFFFFFFFul},
        {0x100000000ull * 1024, 0xFFFFFFFFul},
        {~0ull, 0xFFFFFFFFul},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.kib, KiBFromBytes(c.bytes)) << c.bytes;
}
