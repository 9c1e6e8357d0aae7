// uninstall.exe run from an installation: it asks first, and only after Yes takes back that
// installation's service, its Start-menu links, its entry in the list of installed programs
// and the folder, and nothing that belongs to another installation; the quiet switch
// removes without any box. The started process does the whole removal, so the folder is
// gone when it ends and its exit code tells how it went: its own running file moves out of
// the folder first, into a new folder that only SYSTEM and the administrators can write in
// the system's temporary folder, where every user can create files and folders, and both
// go at the next restart. One setup or uninstall runs at a time.
#include <gtest/gtest.h>
#include <windows.h>
#include <objbase.h>

#include <string>

#include "base/instance_lock.h"
#include "base/scoped_handle.h"
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

// The one file in `folder` whose name matches `pattern`, or "" when there is not exactly one.
std::wstring OnlyFile(const std::wstring& folder, const wchar_t* pattern)
{
    WIN32_FIND_DATAW found;
    UniqueFindHandle search(FindFirstFileW((folder + L"\\" + pattern).c_str(), &found));
    if (!search)
        return L"";
    std::wstring name = folder + L"\\" + found.cFileName;
    return FindNextFileW(search.Get(), &found) ? L"" : name;
}

}  // namespace

TEST(Uninstaller, AsksFirstAndRemovesOnlyItsOwnInstallationAfterYes)
{
    TestInstallation installation(L"Uninstall", "");
    TestInstallation neighbour(L"Uninstall-2", "");
    ASSERT_TRUE(installation.Ready());
    ASSERT_TRUE(neighbour.Ready());
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    AtScopeExit uninitialize([] { CoUninitialize(); });
    wchar_t group[256] = {};
    ASSERT_TRUE(g_setupTools.GetProgramGroup(L"Velmora Server", group));
    const std::wstring link = ProgramGroupPath() + L"\\Uninstall....lnk";
    ASSERT_TRUE(g_setupTools.CreateShortcut(installation.Folder().c_str(), installation.UninstallerPath().c_str(),
                                            link.c_str(), L"", L"", nullptr, 0));

    // While it asks, it holds the lock: a second uninstall does nothing and says so.
    const std::wstring command = L"\"" + installation.UninstallerPath() + L"\"";
    const std::wstring quiet = neighbour.Entry().Text(L"QuietUninstallString");
    DWORD besideCode = 0;
    ProgramRun declined = RunProgram({command, [&](const SeenMessageBox&) {
                                          besideCode = RunProgram({quiet}).exitCode;
                                          return IDNO;
                                      }});
    EXPECT_EQ(1u, declined.exitCode);
    EXPECT_EQ(3u, besideCode);
    ASSERT_EQ(1u, declined.boxes.size());
    EXPECT_NE(std::wstring::npos, declined.boxes[0].text.find(installation.Folder()));
    EXPECT_TRUE(declined.boxes[0].hasButton[IDYES]);
    for (const TestInstallation* untouched : {&installation, &neighbour}) {
        EXPECT_TRUE(untouched->ServiceExists());
        EXPECT_TRUE(PathExists(untouched->UninstallerPath()));
        EXPECT_TRUE(untouched->Entry().Exists());
    }
    EXPECT_TRUE(PathExists(link));

    ProgramRun accepted = RunProgram({command, AnswerQuestionsWith(IDYES)});
    EXPECT_EQ(0u, accepted.exitCode);
    ASSERT_EQ(2u, accepted.boxes.size());  // the question, then the outcome
    EXPECT_EQ(0u, accepted.boxes[1].text.find(L"Velmora Server has been removed")) << accepted.boxes[1].text;
    EXPECT_FALSE(installation.ServiceExists());
    EXPECT_FALSE(PathExists(link));
    EXPECT_FALSE(installation.Entry().Exists());
    EXPECT_FALSE(PathExists(installation.Folder()));

    EXPECT_TRUE(neighbour.ServiceExists());
    EXPECT_TRUE(PathExists(neighbour.ServerPath()));
    EXPECT_TRUE(neighbour.Entry().Exists());
    EXPECT_TRUE(DeleteMovedUninstallers());

    // An uninstaller that cannot move out of the folder stays there, and the uninstall ends
    // with the code of what stayed, told by the log alone.
    UniqueHandle held(CreateFileW(neighbour.UninstallerPath().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held.IsValid());
    const std::wstring log = neighbour.Root().File(L"uninstall.log");
    ProgramRun failed = RunProgram({quiet + L" /log \"" + log + L"\""});
    EXPECT_TRUE(failed.ended);
    EXPECT_TRUE(failed.boxes.empty());
    EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), failed.exitCode);
    EXPECT_TRUE(PathExists(neighbour.UninstallerPath()));
    const std::string text = ReadWholeFile(log);
    EXPECT_NE(std::string::npos, text.find("uninstaller: could not move out")) << text;
    EXPECT_NE(std::string::npos, text.find("==== exit code 32")) << text;
}

// What a deployment tool runs: the entry's own quiet command. It never shows a box, stops
// the running server before it removes it, and without /log writes a log of its own.
TEST(Uninstaller, QuietCommandRemovesWithoutABoxAndMovesItselfIntoAFolderOnlyAdministratorsCanWrite)
{
    TestInstallation listed(L"Quiet", "");
    ASSERT_TRUE(listed.Ready());
    ASSERT_TRUE(listed.StartAndWaitReady());
    const std::wstring quiet = listed.Entry().Text(L"QuietUninstallString");
    ASSERT_EQ(L"\"" + listed.UninstallerPath() + L"\" /quiet", quiet);
    const std::set<std::wstring> before = MovedUninstallerFolders();
    TempFolder temp(L"UninstallTemp");

    ProgramRun run = RunWithTemp({quiet}, temp.Path().c_str());
    EXPECT_TRUE(run.ended);
    EXPECT_TRUE(run.boxes.empty());
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_FALSE(listed.ServiceExists());
    EXPECT_FALSE(listed.Entry().Exists());
    EXPECT_FALSE(PathExists(listed.Folder()));
    const std::string log = ReadWholeFile(OnlyFile(temp.Path(), L"VelmoraUninstall-*Z-*.log"));
    EXPECT_NE(std::string::npos, log.find("==== Velmora Server Uninstall")) << log;
    EXPECT_NE(std::string::npos, log.find("==== exit code 0")) << log;

    std::set<std::wstring> made = MovedUninstallerFolders();
    for (const std::wstring& folder : before)
        made.erase(folder);
    ASSERT_EQ(1u, made.size());
    const std::wstring& movedFolder = *made.begin();
    EXPECT_TRUE(PathExists(movedFolder + L"\\uninstall.exe"));
    // Wine keeps no access list of its own for a file: it reads one back from the Unix
    // mode, which shows at least that everyone may neither read nor write (a folder made
    // with the default rights shows Everyone reading). Windows would show the protected list
    // of SYSTEM and the administrators alone.
    std::wstring dacl = FileRights(movedFolder);
    ASSERT_EQ(0u, dacl.find(L"D:")) << dacl;
    for (const wchar_t* others : {L";WD)", L";AU)", L";BU)"})
        EXPECT_EQ(std::wstring::npos, dacl.find(others)) << dacl;
    // The moved file and then its emptied folder go at the next start.
    std::wstring pending = DeletedAtRestart();
    size_t imageAt = pending.find(movedFolder + L"\\uninstall.exe" + L'\0');
    EXPECT_NE(std::wstring::npos, imageAt);
    EXPECT_NE(std::wstring::npos, pending.find(movedFolder + L'\0', imageAt)) << "nor its folder";
    EXPECT_TRUE(DeleteMovedUninstallers());
}

// Beside a setup or another uninstall, with a log file it may not write, and as a copy in a
// folder that no entry among the installed programs names, it changes nothing.
TEST(Uninstaller, RefusesBesideAnotherRunWithALogItMayNotWriteAndOutsideAnInstallation)
{
    TestInstallation installation(L"Refused", "");
    ASSERT_TRUE(installation.Ready());
    const std::wstring command = L"\"" + installation.UninstallerPath() + L"\"";
    {
        CInstanceLock another;
        ASSERT_TRUE(another.Acquire() == InstanceLockVerdict::kHeld);
        ProgramRun attended = RunProgram({command, AnswerQuestionsWith(IDYES)});
        EXPECT_EQ(3u, attended.exitCode);
        ASSERT_EQ(1u, attended.boxes.size());
        EXPECT_EQ(0u, attended.boxes[0].text.find(L"Another Velmora Server setup or uninstall is running"));
    }
    ProgramRun badLog = RunProgram({command + L" /quiet /log=C:\\velmora-no-such-folder\\uninstall.log"});
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), badLog.exitCode);
    EXPECT_TRUE(badLog.boxes.empty());
    // A refused line with /quiet after the refused word: no box, the reason and the usage
    // in the log.
    TempFolder logs(L"uninstall-logs");
    const std::wstring log = logs.File(L"refused.log");
    ProgramRun quietStray = RunProgram({command + L" stray /norestart /quiet /log=\"" + log + L"\""});
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), quietStray.exitCode);
    EXPECT_TRUE(quietStray.boxes.empty());
    const std::string logged = ReadWholeFile(log);
    for (const char* line : {"Unknown argument: stray", "uninstall.exe [/quiet] [/norestart] [/log FILE]",
                             "Exit codes: 0 removed", "==== exit code 87"})
        EXPECT_NE(std::string::npos, logged.find(line)) << line << "\n" << logged;
    EXPECT_TRUE(installation.ServiceExists());
    EXPECT_TRUE(PathExists(installation.UninstallerPath()));
    EXPECT_TRUE(installation.Entry().Exists());

    TempFolder stray(L"stray");
    ASSERT_TRUE(CopyFileW(installation.UninstallerPath().c_str(), stray.File(L"uninstall.exe").c_str(), FALSE));
    ASSERT_TRUE(WriteWholeFile(stray.File(L"Velmora.exe"), "someone's"));
    ProgramRun outside = RunProgram({L"\"" + stray.File(L"uninstall.exe") + L"\" /quiet"});
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), outside.exitCode);
    EXPECT_EQ("someone's", ReadWholeFile(stray.File(L"Velmora.exe")));
    EXPECT_TRUE(PathExists(stray.File(L"uninstall.exe")));
}
