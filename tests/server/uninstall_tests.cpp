// uninstall.exe run from an installation: it asks first, and only after Yes stops and
// deletes that installation's service, its Start-menu links, its entry in the list of
// installed programs and the folder, and nothing that belongs to another installation; the
// quiet switch removes without any box and tells the outcome by its exit code. The copy
// that finishes the removal runs from a new folder that only SYSTEM and the administrators
// can write: run as SYSTEM, the temporary folder is one where every user can create files,
// such as one of the name that the copy would take.
#include <gtest/gtest.h>
#include <windows.h>
#include <objbase.h>

#include <string>

#include "base/setup_tools.h"
#include "server/test_installation.h"
#include "support/at_scope_exit.h"
#include "support/security_text.h"

namespace {

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

// Runs a program with `temp` as its temporary folder.
ProgramRun RunWithTemp(const ProgramStart& start, const wchar_t* temp)
{
    wchar_t kept[MAX_PATH] = {};
    bool hadTmp = GetEnvironmentVariableW(L"TMP", kept, MAX_PATH) > 0;
    SetEnvironmentVariableW(L"TMP", temp);
    ProgramRun run = RunProgram(start);
    SetEnvironmentVariableW(L"TMP", hadTmp ? kept : nullptr);
    return run;
}

}  // namespace

TEST(Uninstaller, AsksFirstAndRemovesOnlyItsOwnInstallationAfterYes)
{
    TestInstallation installation(L"Uninstall", "");
    TestInstallation neighbour(L"Uninstall-2", "");
    ASSERT_TRUE(installation.Ready());
    ASSERT_TRUE(neighbour.Ready());
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    wchar_t group[256] = {};
    ASSERT_TRUE(g_setupTools.GetProgramGroup(L"Velmora Server", group));
    const std::wstring link = ProgramGroupPath() + L"\\Uninstall....lnk";
    ASSERT_TRUE(g_setupTools.CreateShortcut(installation.Folder().c_str(), installation.UninstallerPath().c_str(),
                                            link.c_str(), L"", L"", nullptr, 0));

    const std::wstring command = L"\"" + installation.UninstallerPath() + L"\"";
    ProgramRun declined = RunProgram({command, AnswerQuestionsWith(IDNO)});
    EXPECT_EQ(1u, declined.exitCode);
    ASSERT_EQ(1u, declined.boxes.size());
    EXPECT_NE(std::wstring::npos, declined.boxes[0].text.find(installation.Folder()));
    EXPECT_TRUE(declined.boxes[0].hasButton[IDYES]);
    EXPECT_TRUE(installation.ServiceExists());
    EXPECT_TRUE(PathExists(link));
    EXPECT_TRUE(installation.Entry().Exists());

    ProgramRun accepted = RunProgram({command, AnswerQuestionsWith(IDYES)});
    EXPECT_EQ(0u, accepted.exitCode);
    EXPECT_EQ(1u, accepted.boxes.size());  // the question only
    EXPECT_FALSE(installation.ServiceExists());
    EXPECT_FALSE(PathExists(link));
    EXPECT_FALSE(installation.Entry().Exists());
    // The folder goes when the copy in the temporary folder has done its work.
    EXPECT_TRUE(WaitUntil([&] { return !PathExists(installation.Folder()); }, 30000));

    EXPECT_TRUE(neighbour.ServiceExists());
    EXPECT_TRUE(PathExists(neighbour.ServerPath()));
    EXPECT_TRUE(neighbour.Entry().Exists());
    EXPECT_TRUE(DeleteCopiesLeftInTemp());
    CoUninitialize();

    // Where its copy cannot be put, a quiet uninstall fails, by its exit code alone, and
    // leaves the folder as it was.
    const std::wstring quiet = neighbour.Entry().Text(L"QuietUninstallString");
    ProgramRun failed = RunWithTemp({quiet}, L"C:\\velmora-no-such-folder");
    EXPECT_TRUE(failed.ended);
    EXPECT_TRUE(failed.boxes.empty());
    EXPECT_NE(0u, failed.exitCode);
    EXPECT_TRUE(PathExists(neighbour.UninstallerPath()));
}

// What a deployment tool runs: the entry's own quiet command. It never shows a box and stops
// the running server before it removes it.
TEST(Uninstaller, QuietCommandRemovesWithoutABoxThroughACopyInAFolderOnlyAdministratorsCanWrite)
{
    TestInstallation listed(L"Quiet", "");
    ASSERT_TRUE(listed.Ready());
    ASSERT_TRUE(listed.StartAndWaitReady());
    const std::wstring quiet = listed.Entry().Text(L"QuietUninstallString");
    ASSERT_EQ(L"\"" + listed.UninstallerPath() + L"\" /quiet", quiet);
    const std::set<std::wstring> before = CopyFolders();
    // What a user could have put where the copy used to go, named by the process id.
    std::wstring plantedCopy;
    AtScopeExit removePlanted([&] { DeleteFileW(plantedCopy.c_str()); });
    ProgramStart start = {quiet};
    start.whileSuspended = [&plantedCopy](DWORD processId) {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        plantedCopy = temp + (L"velmora-uninstall-" + std::to_wstring(processId) + L".exe");
        WriteWholeFile(plantedCopy, "planted");
    };
    ProgramRun run = RunProgram(start);
    EXPECT_TRUE(run.ended);
    EXPECT_TRUE(run.boxes.empty());
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_FALSE(listed.ServiceExists());
    EXPECT_FALSE(listed.Entry().Exists());
    EXPECT_TRUE(WaitUntil([&] { return !PathExists(listed.Folder()); }, 30000));
    EXPECT_EQ("planted", ReadWholeFile(plantedCopy)) << "the uninstaller wrote over the planted file";

    std::set<std::wstring> made = CopyFolders();
    for (const std::wstring& folder : before)
        made.erase(folder);
    ASSERT_EQ(1u, made.size());
    const std::wstring& copyFolder = *made.begin();
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
    EXPECT_TRUE(DeleteCopiesLeftInTemp());
}
