// CreateDirectoryTree against real folders under Wine.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "base/setup_tools.h"
#include "support/temp_folder.h"

namespace {

bool IsFolder(const std::wstring& path)
{
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

int CountEntries(const std::wstring& folder)
{
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    int count = 0;
    if (search != INVALID_HANDLE_VALUE) {
        do
            count += lstrcmpW(found.cFileName, L".") && lstrcmpW(found.cFileName, L"..");
        while (FindNextFileW(search, &found));
        FindClose(search);
    }
    return count;
}

} // namespace

TEST(CreateDirectoryTree, MakesEveryMissingLevelAndAcceptsExistingOnes)
{
    TempFolder root(L"tree");
    EXPECT_TRUE(g_setupTools.CreateDirectoryTree(root.Path().c_str()));

    EXPECT_TRUE(g_setupTools.CreateDirectoryTree(root.File(L"one\\two\\three").c_str()));
    EXPECT_TRUE(IsFolder(root.File(L"one\\two\\three")));
    // A trailing backslash makes no empty level.
    EXPECT_TRUE(g_setupTools.CreateDirectoryTree(root.File(L"a\\b\\").c_str()));
    EXPECT_TRUE(IsFolder(root.File(L"a\\b")));
    EXPECT_EQ(1, CountEntries(root.File(L"a")));
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
    EXPECT_TRUE(IsFolder(root.File(L"made1\\made2")));
    EXPECT_EQ(0, CountEntries(root.File(L"made1\\made2")));
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
    EXPECT_EQ(0, CountEntries(root.Path()));
    longPath.pop_back();  // one character less fits, and is made
    EXPECT_TRUE(g_setupTools.CreateDirectoryTree(longPath.c_str()));
    EXPECT_EQ(1, CountEntries(root.Path()));
}
