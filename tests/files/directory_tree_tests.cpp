// CreateDirectoryTree against real folders under Wine.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "base/setup_tools.h"
#include "support/machine_state.h"
#include "support/temp_folder.h"

using Tree = std::vector<std::wstring>;

TEST(CreateDirectoryTree, MakesEveryMissingLevelAndAcceptsExistingOnes)
{
    TempFolder root(L"tree");
    EXPECT_TRUE(g_setupTools.CreateDirectoryTree(root.Path().c_str()));
    EXPECT_TRUE(g_setupTools.CreateDirectoryTree(root.File(L"one\\two\\three").c_str()));
    // A trailing backslash makes no empty level.
    EXPECT_TRUE(g_setupTools.CreateDirectoryTree(root.File(L"a\\b\\").c_str()));
    EXPECT_EQ(Tree({L"a\\", L"a\\b\\", L"one\\", L"one\\two\\", L"one\\two\\three\\"}), ListTree(root.Path()));
}

TEST(CreateDirectoryTree, FailsAtAFileInTheWayOrABadNameKeepingWhatWasMade)
{
    TempFolder root(L"tree");
    ASSERT_TRUE(WriteWholeFile(root.File(L"taken"), "x"));
    EXPECT_FALSE(g_setupTools.CreateDirectoryTree(root.File(L"taken").c_str()));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ALREADY_EXISTS), GetLastError());
    EXPECT_FALSE(g_setupTools.CreateDirectoryTree(root.File(L"taken\\below").c_str()));
    EXPECT_NE(0u, GetLastError());
    EXPECT_EQ("x", ReadWholeFile(root.File(L"taken")));

    EXPECT_FALSE(g_setupTools.CreateDirectoryTree(root.File(L"made1\\made2\\bad|name\\leaf").c_str()));
    EXPECT_NE(0u, GetLastError());
    EXPECT_EQ(Tree({L"made1\\", L"made1\\made2\\", L"taken"}), ListTree(root.Path()));
}

// Rather than making the folder that a cut path would name.
TEST(CreateDirectoryTree, RefusesOverlongPaths)
{
    TempFolder root(L"tree");
    std::wstring levels = std::wstring(200, L'a') + L"\\" + std::wstring(200, L'b') + L"\\";
    std::wstring longPath = L"\\\\?\\" + root.File(levels.c_str());
    longPath.append(520 - longPath.size(), L'c');
    EXPECT_FALSE(g_setupTools.CreateDirectoryTree(longPath.c_str()));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE), GetLastError());
    EXPECT_TRUE(ListTree(root.Path()).empty());
    longPath.pop_back();  // one character less fits, and is made
    EXPECT_TRUE(g_setupTools.CreateDirectoryTree(longPath.c_str()));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(longPath.c_str()));
    EXPECT_EQ(std::wstring(200, L'a') + L"\\", ListTree(root.Path()).at(0));
}
