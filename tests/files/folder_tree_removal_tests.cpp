// Deleting an installation's folder never reaches through a link in it.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "support/host_link.h"
#include "support/temp_folder.h"
#include "support/wait_until.h"
#include "system/removal/installation_removal.h"

TEST(FolderTreeRemoval, RemovesLinksInTheTreeButNothingTheyPointTo)
{
    TempFolder outside(L"outside");
    TempFolder tree(L"tree");
    ASSERT_TRUE(WriteWholeFile(outside.File(L"precious.txt"), "keep"));
    const std::wstring folder = tree.File(L"Velmora");
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW((folder + L"\\config").c_str(), nullptr));
    ASSERT_TRUE(WriteWholeFile(folder + L"\\config\\velmora.cfg", "x"));
    ASSERT_TRUE(SetFileAttributesW((folder + L"\\config\\velmora.cfg").c_str(), FILE_ATTRIBUTE_READONLY));
    const std::wstring folderLink = folder + L"\\backups";
    const std::wstring linkedFolder = tree.File(L"Linked");
    ASSERT_NO_FATAL_FAILURE(RunHost(L"ln", L"-s", {outside.Path(), folderLink}));
    ASSERT_NO_FATAL_FAILURE(RunHost(L"ln", L"-s", {outside.Path(), linkedFolder}));
    ASSERT_TRUE(IsLink(folderLink) && IsLink(linkedFolder));
    ASSERT_TRUE(PathExists(folderLink + L"\\precious.txt")) << "the links lead outside";

    // This Wine cannot remove a link to a folder (the system follows it and finds the
    // target not empty), so the folder stays with that link alone in it: the tree's own
    // files go, and nothing behind a link is touched. (Nor does this Wine show a link to
    // a file as a link: it looks like the file, and deleting it deletes its target.)
    EXPECT_FALSE(DeleteFolderTree(folder.c_str()));
    EXPECT_FALSE(PathExists(folder + L"\\config"));
    EXPECT_TRUE(IsLink(folderLink));
    EXPECT_FALSE(DeleteFolderTree((linkedFolder + L"\\").c_str())) << "the folder itself a link";
    EXPECT_EQ("keep", ReadWholeFile(outside.File(L"precious.txt")));

    ASSERT_NO_FATAL_FAILURE(RunHost(L"rm", L"", {folderLink, linkedFolder}));
    // The host's program may not have ended when its wait gave up.
    ASSERT_TRUE(WaitUntil([&] { return !PathExists(folderLink) && !PathExists(linkedFolder); }));
    EXPECT_TRUE(DeleteFolderTree(folder.c_str()));
    EXPECT_FALSE(PathExists(folder));
    EXPECT_TRUE(DeleteFolderTree(folder.c_str())) << "a folder that is not there is gone";
    EXPECT_FALSE(DeleteFolderTree(L""));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
}
