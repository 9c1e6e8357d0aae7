// Deleting an installation's folder never reaches through a link in it, whenever the link
// appears.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "base/scoped_seam.h"
#include "support/host_link.h"
#include "support/temp_folder.h"
#include "support/wait_until.h"
#include "system/removal/folder_tree_seams.h"
#include "system/removal/installation_removal.h"

namespace {

// The folder `name` in `folder` that the replaced opening swaps for a link to `outside`
// when the deletion opens it, after the listing of `folder` showed a plain folder there.
struct SwapForLink
{
    std::wstring name;
    std::wstring folder;
    std::wstring movedTo;
    std::wstring outside;
};
SwapForLink g_swap;

NTSTATUS NTAPI SwapThenOpen(HANDLE* entry, ACCESS_MASK access, OBJECT_ATTRIBUTES* name, IO_STATUS_BLOCK* io,
                            ULONG share, ULONG options)
{
    if (!g_swap.name.empty() &&
        g_swap.name == std::wstring(name->ObjectName->Buffer, name->ObjectName->Length / sizeof(wchar_t))) {
        const std::wstring swapped = g_swap.folder + L"\\" + g_swap.name;
        EXPECT_TRUE(MoveFileW(swapped.c_str(), g_swap.movedTo.c_str()));
        RunHost(L"ln", L"-s", {g_swap.outside, swapped});
        EXPECT_TRUE(IsLink(swapped));
        g_swap.name.clear();
    }
    return NtOpenFile(entry, access, name, io, share, options);
}

} // namespace

TEST(FolderTreeRemoval, RemovesLinksInTheTreeButNothingTheyPointTo)
{
    const struct
    {
        const char* when;
        bool swapped;  // else made before the deletion starts
    } cases[] = {
        {"a link in the tree", false},
        {"a folder swapped for a link between the listing and the opening", true},
    };
    TempFolder outside(L"outside");
    ASSERT_TRUE(WriteWholeFile(outside.File(L"precious.txt"), "keep"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.when);
        TempFolder tree(L"tree");
        const std::wstring folder = tree.File(L"Velmora");
        ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryW((folder + L"\\config").c_str(), nullptr));
        ASSERT_TRUE(WriteWholeFile(folder + L"\\config\\velmora.cfg", "x"));
        ASSERT_TRUE(SetFileAttributesW((folder + L"\\config\\velmora.cfg").c_str(), FILE_ATTRIBUTE_READONLY));
        std::wstring deep = L"\\\\?\\" + folder + L"\\deep";
        for (int level = 0; level < 30; ++level, deep += L"\\0123456789")
            ASSERT_TRUE(CreateDirectoryW(deep.c_str(), nullptr));
        ASSERT_TRUE(WriteWholeFile(deep + L"velmora.log", "x")) << "beyond MAX_PATH";
        const std::wstring folderLink = folder + L"\\backups";
        if (c.swapped) {
            ASSERT_TRUE(CreateDirectoryW(folderLink.c_str(), nullptr));
            g_swap = {L"backups", folder, tree.File(L"moved"), outside.Path()};
        } else {
            ASSERT_NO_FATAL_FAILURE(RunHost(L"ln", L"-s", {outside.Path(), folderLink}));
            ASSERT_TRUE(IsLink(folderLink) && PathExists(folderLink + L"\\precious.txt")) << "it leads outside";
        }
        ScopedSeam open(g_openEntryCall, c.swapped ? SwapThenOpen : g_openEntryCall);

        // This Wine shows a link to a folder as one only in the folder's listing: what it
        // opens is what the link points to, so the link cannot go and the folder stays
        // with that link alone in it. The tree's own files go, and nothing behind the link
        // is touched. (Nor does this Wine show a link to a file as a link at all: it looks
        // like the file, and deleting it deletes its target.)
        EXPECT_FALSE(DeleteFolderTree(folder.c_str()));
        EXPECT_TRUE(g_swap.name.empty()) << "the swap was made";
        EXPECT_FALSE(PathExists(folder + L"\\config"));
        EXPECT_FALSE(PathExists(folder + L"\\deep"));
        EXPECT_TRUE(IsLink(folderLink));
        EXPECT_EQ("keep", ReadWholeFile(outside.File(L"precious.txt")));

        ASSERT_NO_FATAL_FAILURE(RunHost(L"rm", L"", {folderLink}));
        // The host's program may not have ended when its wait gave up.
        ASSERT_TRUE(WaitUntil([&] { return !PathExists(folderLink); }));
        EXPECT_TRUE(DeleteFolderTree(folder.c_str()));
        EXPECT_FALSE(PathExists(folder));
    }

    TempFolder tree(L"tree");
    const std::wstring linkedFolder = tree.File(L"Linked");
    ASSERT_NO_FATAL_FAILURE(RunHost(L"ln", L"-s", {outside.Path(), linkedFolder}));
    ASSERT_TRUE(IsLink(linkedFolder));

    EXPECT_FALSE(DeleteFolderTree((linkedFolder + L"\\").c_str())) << "the folder itself a link";
    EXPECT_EQ("keep", ReadWholeFile(outside.File(L"precious.txt")));

    ASSERT_NO_FATAL_FAILURE(RunHost(L"rm", L"", {linkedFolder}));
    ASSERT_TRUE(WaitUntil([&] { return !PathExists(linkedFolder); }));
    EXPECT_TRUE(DeleteFolderTree(linkedFolder.c_str())) << "a folder that is not there is gone";
    EXPECT_FALSE(DeleteFolderTree(L""));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
}
