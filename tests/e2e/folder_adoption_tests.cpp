// Whole runs of setup.exe into folders and under service names that are not provably its
// own: quiet runs that are refused end with 4, say why in their log and leave what they were
// pointed at as it was; an empty existing folder installs, and a second setup upgrades the
// installation the first left.
#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <string>

#include "base/setup_tools.h"
#include "e2e/setup_runs.h"
#include "support/host_link.h"
#include "support/machine_state.h"
#include "system/services/service_command.h"

namespace {

class FolderAdoption : public SetupRunTest
{
protected:
    const std::string account_ = std::string(kAccountSettings) + "domain=localhost\r\n";
};

std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

// Every entry below `folder` with its content.
std::map<std::wstring, std::string> TreeContent(const std::wstring& folder)
{
    std::map<std::wstring, std::string> content;
    for (const std::wstring& name : ListTree(folder))
        content[name] = name.back() == L'\\' ? std::string() : ReadWholeFile(folder + L"\\" + name);
    return content;
}

} // namespace

TEST_F(FolderAdoption, RefusedFoldersAndServiceNamesAreLeftAsTheyWere)
{
    const std::wstring log = folder_.File(L"run.log");
    const std::wstring dir = installation_.InstallDir();
    const std::string service = Narrow(installation_.ServiceName());
    TempFolder linkTarget(L"adoption-target");
    const std::wstring link = installation_.Root().File(L"link");
    ASSERT_NO_FATAL_FAILURE(RunHost(L"ln", L"-s", {linkTarget.Path(), link}));
    AtScopeExit unlink([&] { RunHost(L"rm", L"", {link}); });
    ASSERT_TRUE(IsLink(link));
    wchar_t spooler[1024] = {};
    ASSERT_TRUE(ReadServiceCommand(L"Spooler", spooler, 1024));
    const struct
    {
        const char* what;
        std::string settings;
        std::wstring untouched;  // a folder whose tree must stay as it was
        const char* reason;
    } cases[] = {
        {"a planted Velmora.exe with no service", "path=" + Narrow(dir) + "\r\nservice=" + service + "\r\n", dir,
         "holds a Velmora.exe, but neither an installed service nor the list of installed programs"},
        {"a folder below a link", "path=" + Narrow(link) + "\\Velmora\r\nservice=" + service + "\r\n",
         linkTarget.Path(), "is reached through the junction, symbolic link or mount point"},
        {"a system service's name, no folder", "service=Spooler\r\n", L"",
         "The service \"Spooler\" exists on this computer and is not a Velmora Server"},
    };
    // What anybody could have left in the folder, and what the run must not touch.
    ASSERT_TRUE(CreateDirectoryW(dir.c_str(), nullptr));
    ASSERT_TRUE(WriteWholeFile(dir + L"\\Velmora.exe", "MZ planted"));
    ASSERT_TRUE(WriteWholeFile(dir + L"\\data.txt", "his"));
    ASSERT_TRUE(WriteWholeFile(linkTarget.File(L"data.txt"), "other"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_NO_FATAL_FAILURE(WriteSettingsFile(account_ + c.settings, false));
        DeleteFileW(log.c_str());
        const std::map<std::wstring, std::string> before =
            c.untouched.empty() ? std::map<std::wstring, std::string>() : TreeContent(c.untouched);
        ProgramRun run = RunSetup(nullptr, L"/quiet /log=\"" + log + L"\"");
        EXPECT_EQ(4u, run.exitCode);
        EXPECT_TRUE(run.boxes.empty());
        const std::string logged = ReadWholeFile(log);
        EXPECT_NE(std::string::npos, logged.find(c.reason)) << logged;
        if (!c.untouched.empty()) {
            EXPECT_EQ(before, TreeContent(c.untouched));
        }
        EXPECT_FALSE(installation_.ServiceExists());
    }
    wchar_t after[1024] = {};
    EXPECT_TRUE(ReadServiceCommand(L"Spooler", after, 1024));
    EXPECT_STREQ(spooler, after);
}

// An existing empty folder installs (unattended: without the question); the installation
// it leaves, as the release before left its own, is upgraded by the next setup.
TEST_F(FolderAdoption, AnEmptyFolderInstallsAndTheNextSetupUpgradesIt)
{
    ASSERT_TRUE(CreateDirectoryW(installation_.InstallDir().c_str(), nullptr));
    ASSERT_NO_FATAL_FAILURE(WriteSettingsFile(account_));
    const std::wstring log = folder_.File(L"run.log");
    ProgramRun first = RunSetup(nullptr, L"/quiet /log=\"" + log + L"\"");
    EXPECT_EQ(1u, first.exitCode) << ReadWholeFile(log);
    ASSERT_TRUE(installation_.ServiceExists());
    ASSERT_TRUE(WriteWholeFile(InstalledFile(L"config\\start.dat"), "server data"));
    ProgramRun upgrade = RunSetup(nullptr, L"/quiet /log=\"" + log + L"\"");
    EXPECT_EQ(1u, upgrade.exitCode) << ReadWholeFile(log);
    EXPECT_EQ("server data", ReadWholeFile(InstalledFile(L"config\\start.dat")));
    EXPECT_TRUE(PathExists(InstalledFile(L"backups")));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING),
              g_setupTools.GetServiceState(installation_.ServiceName().c_str()));
}
