// uninstall.exe and the server's entry in the list of installed programs: the entry of the
// uninstaller's own folder goes with the rest, the entries of other folders stay; the
// quiet switch removes without any box and tells the outcome by its exit code.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "base/setup_tools.h"
#include "server/test_installation.h"
#include "server/uninstaller_run.h"
#include "support/uninstall_entry_reader.h"
#include "system/uninstall/uninstall_entry.h"

namespace {

// An installation listed as the setup lists it, and the entry removed again at the end.
class ListedInstallation
{
public:
    explicit ListedInstallation(const wchar_t* tag) : installation_(tag, ""), entry_(installation_.ServiceName())
    {
        listed_ = installation_.Ready() &&
                  WriteUninstallEntry(installation_.ServiceName().c_str(), installation_.Folder().c_str(), 1);
    }
    ~ListedInstallation() { entry_.Delete(); }

    bool Ready() const { return listed_; }
    TestInstallation& Installation() { return installation_; }
    const UninstallEntryReader& Entry() const { return entry_; }

private:
    TestInstallation installation_;
    UninstallEntryReader entry_;
    bool listed_ = false;
};

}  // namespace

TEST(UninstallerEntry, GoesOnlyAfterYesAndOnlyForItsOwnFolder)
{
    ListedInstallation listed(L"Entry");
    // Another installation whose folder name starts alike keeps its entry.
    ListedInstallation neighbour(L"Entry-2");
    ASSERT_TRUE(listed.Ready());
    ASSERT_TRUE(neighbour.Ready());

    UninstallRun declined = RunUninstaller(listed.Installation().UninstallerPath(), IDNO);
    EXPECT_EQ(1, declined.exitCode);
    EXPECT_TRUE(listed.Entry().Exists());

    UninstallRun accepted = RunUninstaller(listed.Installation().UninstallerPath(), IDYES);
    EXPECT_EQ(0, accepted.exitCode);
    EXPECT_EQ(1u, accepted.boxes.size());  // the question only
    EXPECT_FALSE(listed.Entry().Exists());
    EXPECT_TRUE(neighbour.Entry().Exists());
    EXPECT_EQ(neighbour.Installation().Folder(), neighbour.Entry().Text(L"InstallLocation"));
    EXPECT_TRUE(WaitUntilGone(listed.Installation().Folder(), 30000));
    EXPECT_TRUE(DeleteCopyLeftInTemp(accepted.processId));
}

// What a deployment tool runs: the entry's own quiet command.
TEST(UninstallerEntry, QuietCommandRemovesEverythingWithoutABoxAndExitsZero)
{
    ListedInstallation listed(L"Quiet");
    ASSERT_TRUE(listed.Ready());
    ASSERT_TRUE(listed.Installation().StartAndWaitReady());
    const std::wstring quiet = listed.Entry().Text(L"QuietUninstallString");
    const std::wstring expected = L"\"" + listed.Installation().UninstallerPath() + L"\" /quiet";
    ASSERT_EQ(expected, quiet);

    UninstallRun run = RunUninstaller(listed.Installation().UninstallerPath(), IDNO, L"/quiet");
    EXPECT_EQ(0, run.exitCode);
    EXPECT_TRUE(run.boxes.empty());
    EXPECT_FALSE(g_setupTools.ServiceExists(listed.Installation().ServiceName().c_str()));
    EXPECT_FALSE(listed.Entry().Exists());
    EXPECT_TRUE(WaitUntilGone(listed.Installation().Folder(), 30000));
    EXPECT_TRUE(DeleteCopyLeftInTemp(run.processId));
}

TEST(UninstallerEntry, QuietFailureExitsNonZeroWithoutABox)
{
    ListedInstallation listed(L"QuietFail");
    ASSERT_TRUE(listed.Ready());
    // A folder where the uninstaller wants to put the copy that deletes the installation
    // folder: the hand-off fails.
    std::wstring blocker;
    UninstallRun run = RunUninstaller(listed.Installation().UninstallerPath(), IDNO, L"/quiet",
                                      [&blocker](DWORD processId) {
                                          blocker = CopyLeftInTemp(processId);
                                          CreateDirectoryW(blocker.c_str(), nullptr);
                                      });
    ASSERT_FALSE(blocker.empty());
    EXPECT_NE(0, run.exitCode);
    EXPECT_NE(-1, run.exitCode);  // it ended by itself
    EXPECT_TRUE(run.boxes.empty());
    EXPECT_TRUE(PathExists(listed.Installation().UninstallerPath()));
    RemoveDirectoryW(blocker.c_str());
}
