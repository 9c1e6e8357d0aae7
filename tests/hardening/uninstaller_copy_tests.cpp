// The uninstaller's copy, which finishes the removal, runs from a new folder that only
// SYSTEM and the administrators can write: run as SYSTEM, the temporary folder is one where
// every user can create files, such as one of the name that the copy would take.
#include <gtest/gtest.h>
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <functional>
#include <set>
#include <string>

#include "base/scoped_handle.h"
#include "support/program_run.h"
#include "support/security_text.h"
#include "support/temp_folder.h"
#include "support/wait_until.h"

namespace {

std::wstring TempPath()
{
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    return temp;
}

std::set<std::wstring> CopyFolders()
{
    std::set<std::wstring> folders;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((TempPath() + L"velmora-uninstall-*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return folders;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            folders.insert(TempPath() + found.cFileName);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return folders;
}

// The files and folders that the system deletes at the next start, as NT paths.
std::wstring DeletedAtRestart()
{
    const wchar_t* key = L"System\\CurrentControlSet\\Control\\Session Manager";
    const wchar_t* value = L"PendingFileRenameOperations";
    DWORD bytes = 0;
    RegGetValueW(HKEY_LOCAL_MACHINE, key, value, RRF_RT_REG_MULTI_SZ, nullptr, nullptr, &bytes);
    std::wstring names(bytes / sizeof(wchar_t), L'\0');
    if (names.empty() || RegGetValueW(HKEY_LOCAL_MACHINE, key, value, RRF_RT_REG_MULTI_SZ, nullptr, &names[0],
                                      &bytes) != ERROR_SUCCESS)
        return L"";
    return names;
}

// Waits for `path` to go, deleting it with `remove` when one is given.
bool GoneWithin(const std::wstring& path, DWORD timeoutMs, BOOL(WINAPI* remove)(const wchar_t*) = nullptr)
{
    return WaitUntil([&] { return (remove && remove(path.c_str())) || !PathExists(path); }, timeoutMs);
}

// An installation of nothing but the uninstaller: no service, no entry to remove.
struct BareInstallation
{
    TempFolder folder{L"copy"};
    std::wstring uninstaller = folder.File(L"uninstall.exe");
    bool ready = CopyFileW(VELMORA_UNINSTALL_EXE, uninstaller.c_str(), FALSE) != FALSE;
};

// Runs `uninstaller` /quiet, with `temp` as its temporary folder when one is given, and
// returns its exit code, or -1 when it showed a box or did not end within a minute.
// `whileSuspended` runs with the process id before its first instruction.
DWORD RunQuietly(const std::wstring& uninstaller, const wchar_t* temp = nullptr,
                 const std::function<void(DWORD)>& whileSuspended = nullptr)
{
    wchar_t tmp[MAX_PATH] = {};
    bool hadTmp = GetEnvironmentVariableW(L"TMP", tmp, MAX_PATH) > 0;
    if (temp != nullptr)
        SetEnvironmentVariableW(L"TMP", temp);
    ProgramStart start = {L"\"" + uninstaller + L"\" /quiet"};
    start.whileSuspended = whileSuspended;
    ProgramRun run = RunProgram(start);
    SetEnvironmentVariableW(L"TMP", hadTmp ? tmp : nullptr);
    return run.ended && run.boxes.empty() ? run.exitCode : static_cast<DWORD>(-1);
}

}  // namespace

TEST(UninstallerCopy, RunsFromANewFolderThatOnlyAdministratorsCanWrite)
{
    BareInstallation installation;
    ASSERT_TRUE(installation.ready);
    std::set<std::wstring> before = CopyFolders();

    // What a user could have put where the copy used to go, named by the process id.
    std::wstring plantedCopy;
    DWORD exitCode = RunQuietly(installation.uninstaller, nullptr, [&plantedCopy](DWORD processId) {
        plantedCopy = TempPath() + L"velmora-uninstall-" + std::to_wstring(processId) + L".exe";
        WriteWholeFile(plantedCopy, "planted");
    });
    EXPECT_EQ(0u, exitCode);
    EXPECT_TRUE(GoneWithin(installation.folder.Path(), 30000)) << "the copy did not remove the installation";
    EXPECT_TRUE(ReadWholeFile(plantedCopy) == "planted") << "the uninstaller wrote over the planted file";
    DeleteFileW(plantedCopy.c_str());

    std::set<std::wstring> after = CopyFolders();
    for (const std::wstring& folder : before)
        after.erase(folder);
    ASSERT_EQ(1u, after.size());
    const std::wstring& copyFolder = *after.begin();
    // Wine keeps no access list of its own for a file: it reads one back from the Unix
    // mode, which shows at least that everyone may neither read nor write (a folder made
    // with the default rights shows Everyone reading). Windows would show the protected list
    // of SYSTEM and the administrators alone.
    std::wstring dacl = FileRights(copyFolder);
    ASSERT_EQ(0u, dacl.find(L"D:")) << dacl;
    for (const wchar_t* others : {L";WD)", L";AU)", L";BU)"})
        EXPECT_EQ(std::wstring::npos, dacl.find(others)) << dacl;
    // The copy and then its emptied folder go at the next start.
    std::wstring pending = DeletedAtRestart();
    size_t copyAt = pending.find(copyFolder + L"\\uninstall.exe" + L'\0');
    EXPECT_NE(std::wstring::npos, copyAt);
    EXPECT_NE(std::wstring::npos, pending.find(copyFolder + L'\0', copyAt)) << "nor its folder";
    // Left for the next restart; the copy may still be ending.
    EXPECT_TRUE(GoneWithin(copyFolder + L"\\uninstall.exe", 10000, DeleteFileW));
    EXPECT_TRUE(GoneWithin(copyFolder, 10000, RemoveDirectoryW));
}

// Where the copy cannot be put, the hand-off fails: a quiet uninstall tells so by its exit
// code alone and leaves the installation as it was.
TEST(UninstallerCopy, QuietUninstallThatCannotPlaceItsCopyFailsWithoutABox)
{
    BareInstallation installation;
    ASSERT_TRUE(installation.ready);
    DWORD exitCode = RunQuietly(installation.uninstaller, L"C:\\velmora-no-such-folder");
    EXPECT_NE(0u, exitCode);
    EXPECT_NE(static_cast<DWORD>(-1), exitCode);
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(installation.uninstaller.c_str()));
}
