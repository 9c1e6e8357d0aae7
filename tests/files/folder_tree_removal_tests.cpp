// Deleting an installation's folder never reaches through a link in it.
#include <gtest/gtest.h>
#include <windows.h>

#include <string.h>

#include <initializer_list>
#include <string>

#include "support/temp_folder.h"
#include "system/removal/installation_removal.h"

namespace {

// Runs one of the host's own programs: this Wine cannot make or remove links by Windows
// calls, but starts the host's programs like its own and shows the host's links as
// reparse points. Paths are given in Windows form.
void RunHost(const wchar_t* program, const std::wstring& options, std::initializer_list<std::wstring> paths)
{
    typedef char*(CDECL * UnixNameCall)(const wchar_t*);
    auto unixName = reinterpret_cast<UnixNameCall>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    ASSERT_NE(nullptr, unixName);
    std::wstring commandLine = std::wstring(program) + L" " + options;
    for (const std::wstring& path : paths) {
        char* name = unixName(path.c_str());
        ASSERT_NE(nullptr, name);
        commandLine += L" \"" + std::wstring(name, name + strlen(name)) + L"\"";
        HeapFree(GetProcessHeap(), 0, name);
    }
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(CreateProcessW((std::wstring(L"Z:\\bin\\") + program).c_str(), &commandLine[0], nullptr, nullptr,
                               FALSE, 0, nullptr, nullptr, &startup, &process));
    WaitForSingleObject(process.hProcess, 5000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

bool IsLink(const std::wstring& path)
{
    DWORD attributes = INVALID_FILE_ATTRIBUTES;
    for (int i = 0; i < 100 && (attributes = GetFileAttributesW(path.c_str())) == INVALID_FILE_ATTRIBUTES; ++i)
        Sleep(50);  // the host's program may not have ended when the wait gave up
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

} // namespace

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
    RunHost(L"ln", L"-s", {outside.Path(), folderLink});
    RunHost(L"ln", L"-s", {outside.Path(), linkedFolder});
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

    RunHost(L"rm", L"", {folderLink, linkedFolder});
    EXPECT_TRUE(DeleteFolderTree(folder.c_str()));
    EXPECT_FALSE(PathExists(folder));
    EXPECT_TRUE(DeleteFolderTree(folder.c_str())) << "a folder that is not there is gone";
    EXPECT_FALSE(DeleteFolderTree(L""));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
}
