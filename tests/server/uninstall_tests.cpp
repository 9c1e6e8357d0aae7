// uninstall.exe run from an installation: it asks first, and only after Yes stops and
// deletes that installation's service, its Start-menu links and the folder, and nothing
// that belongs to another folder.
#include <gtest/gtest.h>
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <string>

#include "base/setup_tools.h"
#include "server/test_installation.h"
#include "server/uninstaller_run.h"

namespace {

std::wstring ProgramGroupFolder()
{
    wchar_t programs[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_COMMON_PROGRAMS, nullptr, SHGFP_TYPE_CURRENT, programs);
    return std::wstring(programs) + L"\\Velmora Server";
}

}  // namespace

TEST(Uninstaller, AsksFirstAndRemovesServiceGroupAndFolderOnlyAfterYes)
{
    unsigned short port = FreeLoopbackPort();
    ASSERT_NE(0, port);
    TestInstallation installation(
        L"Uninstall", "server_ssl_mode=false\r\nserver_port=" + std::to_string(port) + "\r\n");
    // Another installation whose folder name starts alike must be left alone.
    TestInstallation neighbour(L"Uninstall-2", "");
    ASSERT_TRUE(installation.Ready());
    ASSERT_TRUE(neighbour.Ready());
    ASSERT_TRUE(installation.StartAndWaitReady());
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    wchar_t group[256] = {};
    ASSERT_TRUE(g_setupTools.GetProgramGroup(L"Velmora Server", group));
    const std::wstring link = ProgramGroupFolder() + L"\\Uninstall....lnk";
    const std::wstring neighbourLink = ProgramGroupFolder() + L"\\Velmora 2.lnk";
    ASSERT_TRUE(g_setupTools.CreateShortcut(installation.Folder().c_str(), installation.UninstallerPath().c_str(),
                                            link.c_str(), L"", L"", nullptr, 0));
    ASSERT_TRUE(g_setupTools.CreateShortcut(neighbour.Folder().c_str(), neighbour.UninstallerPath().c_str(),
                                            neighbourLink.c_str(), L"", L"", nullptr, 0));

    UninstallRun declined = RunUninstaller(installation.UninstallerPath(), IDNO);
    EXPECT_EQ(1, declined.exitCode);
    ASSERT_EQ(1u, declined.boxes.size());
    EXPECT_EQ(L"Velmora Server Uninstall", declined.boxes[0].title);
    EXPECT_NE(std::wstring::npos, declined.boxes[0].text.find(installation.Folder()));
    // (Wine's icon handles belong to each process, so the question icon cannot be
    // compared from here.)
    EXPECT_TRUE(declined.boxes[0].hasButton[IDYES]);
    EXPECT_TRUE(declined.boxes[0].hasButton[IDNO]);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), installation.Status().dwCurrentState);
    EXPECT_TRUE(PathExists(link));
    EXPECT_TRUE(PathExists(installation.ServerPath()));

    UninstallRun accepted = RunUninstaller(installation.UninstallerPath(), IDYES);
    EXPECT_EQ(0, accepted.exitCode);
    EXPECT_EQ(1u, accepted.boxes.size());
    EXPECT_FALSE(g_setupTools.ServiceExists(installation.ServiceName().c_str()));
    EXPECT_FALSE(PathExists(link));
    EXPECT_TRUE(PathExists(neighbourLink)) << "the group is shared with other installations";
    // The folder goes when the copy in the temporary folder has done its work.
    EXPECT_TRUE(WaitUntilGone(installation.Folder(), 30000));

    EXPECT_TRUE(g_setupTools.ServiceExists(neighbour.ServiceName().c_str()));
    EXPECT_TRUE(PathExists(neighbour.ServerPath()));

    EXPECT_TRUE(DeleteCopyLeftInTemp(accepted.processId));
    DeleteFileW(neighbourLink.c_str());
    RemoveDirectoryW(ProgramGroupFolder().c_str());
    CoUninitialize();
}

// The copy that finishes the removal deletes a folder only if it holds an uninstaller,
// so a wrong or stray argument cannot take anything else with it.
TEST(Uninstaller, FinishingCopyLeavesFolderWithoutUninstaller)
{
    TempFolder other(L"Test Other");
    ASSERT_TRUE(WriteWholeFile(other.File(L"data.txt"), "data"));
    int exitCode = RunAndWait(L"\"" + PayloadFolder() + L"\\uninstall.exe\" /finish 0 \"" + other.Path() + L"\"");
    EXPECT_EQ(ERROR_INVALID_PARAMETER, exitCode);
    EXPECT_TRUE(PathExists(other.File(L"data.txt")));
}
