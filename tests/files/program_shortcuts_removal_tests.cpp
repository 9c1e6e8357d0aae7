// Removing one installation's links from the Start-menu group that all installations share.
#include <gtest/gtest.h>
#include <windows.h>
#include <objbase.h>

#include <string>

#include "base/setup_tools.h"
#include "support/temp_folder.h"
#include "system/removal/installation_removal.h"

TEST(ProgramShortcutsRemoval, TakesOnlyTheFoldersLinksAndTheGroupOnceItIsEmpty)
{
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    const std::wstring name = L"Velmora Removal Test " + std::to_wstring(GetCurrentProcessId());
    wchar_t group[256] = {};
    ASSERT_TRUE(g_setupTools.GetProgramGroup(name.c_str(), group));
    const std::wstring folderA = L"C:\\Velmora A", folderB = L"C:\\Velmora B";
    const std::wstring linksA[] = {std::wstring(group) + L"\\Velmora.lnk", std::wstring(group) + L"\\Uninstall.lnk"};
    const std::wstring linkB = std::wstring(group) + L"\\Velmora B.lnk";
    const std::wstring other = std::wstring(group) + L"\\readme.txt";
    for (const std::wstring& link : linksA)
        ASSERT_TRUE(g_setupTools.CreateShortcut(L"C:\\velmora a\\", L"C:\\Velmora A\\x.exe", link.c_str(), L"", L"",
                                                nullptr, 0));
    ASSERT_TRUE(g_setupTools.CreateShortcut(folderB.c_str(), L"C:\\Velmora B\\x.exe", linkB.c_str(), L"", L"",
                                            nullptr, 0));
    HANDLE file = CreateFileW(other.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    CloseHandle(file);

    // The working folder decides, compared as a folder (case, trailing backslash).
    EXPECT_TRUE(RemoveProgramShortcuts(name.c_str(), folderA.c_str()));
    EXPECT_FALSE(PathExists(linksA[0]) || PathExists(linksA[1]));
    EXPECT_TRUE(PathExists(linkB)) << "another installation's link stays";

    EXPECT_TRUE(RemoveProgramShortcuts(name.c_str(), folderB.c_str()));
    EXPECT_FALSE(PathExists(linkB));
    EXPECT_TRUE(PathExists(other)) << "what the setup did not make stays, and with it the group";

    ASSERT_TRUE(DeleteFileW(other.c_str()));
    EXPECT_TRUE(RemoveProgramShortcuts(name.c_str(), folderB.c_str())) << "nothing of the folder is left";
    EXPECT_FALSE(PathExists(group)) << "an empty group goes";
    EXPECT_TRUE(RemoveProgramShortcuts(name.c_str(), folderB.c_str())) << "no group, nothing to do";
    EXPECT_FALSE(RemoveProgramShortcuts(name.c_str(), L""));
    CoUninitialize();
}
