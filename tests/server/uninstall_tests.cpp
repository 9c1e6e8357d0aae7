// uninstall.exe run from an installation: it asks first, and only after Yes stops and
// deletes that installation's service, its Start-menu links, its entry in the list of
// installed programs and the folder, and nothing that belongs to another folder; the quiet
// switch removes without any box and tells the outcome by its exit code.
#include <gtest/gtest.h>
#include <windows.h>
#include <objbase.h>

#include <string>

#include "base/setup_tools.h"
#include "server/test_installation.h"
#include "support/installation_fixture.h"

TEST(Uninstaller, AsksFirstAndRemovesOnlyItsOwnInstallationAfterYes)
{
    TestInstallation installation(L"Uninstall", "");
    // Another installation whose folder name starts alike must be left alone.
    TestInstallation neighbour(L"Uninstall-2", "");
    ASSERT_TRUE(installation.Ready());
    ASSERT_TRUE(neighbour.Ready());
    // The group is shared: the neighbour's link stays.
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    wchar_t group[256] = {};
    ASSERT_TRUE(g_setupTools.GetProgramGroup(L"Velmora Server", group));
    const std::wstring link = ProgramGroupPath() + L"\\Uninstall....lnk";
    const std::wstring neighbourLink = ProgramGroupPath() + L"\\Velmora 2.lnk";
    ASSERT_TRUE(g_setupTools.CreateShortcut(installation.Folder().c_str(), installation.UninstallerPath().c_str(),
                                            link.c_str(), L"", L"", nullptr, 0));
    ASSERT_TRUE(g_setupTools.CreateShortcut(neighbour.Folder().c_str(), neighbour.UninstallerPath().c_str(),
                                            neighbourLink.c_str(), L"", L"", nullptr, 0));

    ProgramRun declined = RunProgram(installation.UninstallerPath(), L"", IDNO);
    EXPECT_EQ(1u, declined.exitCode);
    ASSERT_EQ(1u, declined.boxes.size());
    EXPECT_NE(std::wstring::npos, declined.boxes[0].text.find(installation.Folder()));
    EXPECT_TRUE(declined.boxes[0].hasButton[IDYES]);
    EXPECT_TRUE(g_setupTools.ServiceExists(installation.ServiceName().c_str()));
    EXPECT_TRUE(PathExists(link));
    EXPECT_TRUE(installation.Entry().Exists());

    ProgramRun accepted = RunProgram(installation.UninstallerPath(), L"", IDYES);
    EXPECT_EQ(0u, accepted.exitCode);
    EXPECT_EQ(1u, accepted.boxes.size());  // the question only
    EXPECT_FALSE(g_setupTools.ServiceExists(installation.ServiceName().c_str()));
    EXPECT_FALSE(PathExists(link));
    EXPECT_TRUE(PathExists(neighbourLink));
    EXPECT_FALSE(installation.Entry().Exists());
    // The folder goes when the copy in the temporary folder has done its work.
    EXPECT_TRUE(WaitUntil([&] { return !PathExists(installation.Folder()); }, 30000));

    EXPECT_TRUE(g_setupTools.ServiceExists(neighbour.ServiceName().c_str()));
    EXPECT_TRUE(PathExists(neighbour.ServerPath()));
    EXPECT_TRUE(neighbour.Entry().Exists());
    EXPECT_TRUE(DeleteCopiesLeftInTemp());
    DeleteFileW(neighbourLink.c_str());
    RemoveDirectoryW(ProgramGroupPath().c_str());
    CoUninitialize();
}

// What a deployment tool runs: the entry's own quiet command. It never shows a box and stops
// the running server before it removes it. (A copy that cannot be placed is the hardening
// tests' UninstallerCopy case.)
TEST(Uninstaller, QuietCommandRemovesWithoutABoxAndTellsTheOutcomeByItsExitCode)
{
    TestInstallation listed(L"Quiet", "");
    ASSERT_TRUE(listed.Ready());
    ASSERT_TRUE(listed.StartAndWaitReady());
    ASSERT_EQ(L"\"" + listed.UninstallerPath() + L"\" /quiet", listed.Entry().Text(L"QuietUninstallString"));
    ProgramRun run = RunProgram(listed.UninstallerPath(), L"/quiet", IDNO);
    EXPECT_TRUE(run.boxes.empty());
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_FALSE(g_setupTools.ServiceExists(listed.ServiceName().c_str()));
    EXPECT_FALSE(listed.Entry().Exists());
    EXPECT_TRUE(WaitUntil([&] { return !PathExists(listed.Folder()); }, 30000));
    EXPECT_TRUE(DeleteCopiesLeftInTemp());
}

// The copy that finishes the removal deletes a folder only if it holds an uninstaller,
// so a wrong or stray argument cannot take anything else with it.
TEST(Uninstaller, FinishingCopyLeavesFolderWithoutUninstaller)
{
    TempFolder other(L"Test Other");
    ASSERT_TRUE(WriteWholeFile(other.File(L"data.txt"), "data"));
    ProgramRun run = RunProgram(PayloadFolder() + L"\\uninstall.exe", L"/finish 0 \"" + other.Path() + L"\"");
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), run.exitCode);
    EXPECT_TRUE(PathExists(other.File(L"data.txt")));
}
