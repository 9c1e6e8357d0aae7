// The build that ships (i686) as it runs on 64-bit Windows, under WoW64: tests/e2e/CMakeLists.txt
// runs these with that build's setup.exe in a prefix that has Windows' 32-bit side. This
// program is a 64-bit one: it sees the machine as the system and the 64-bit build do.
#include <gtest/gtest.h>
#include <windows.h>

#include "base/scoped_handle.h"
#include "base/setup_tools.h"
#include "e2e/setup_runs.h"
#include "support/hosts_file_keeper.h"
#include "support/http_request.h"
#include "support/uninstall_entry_reader.h"
#include "support/wait_until.h"

namespace {

// Where the 32-bit setup installs by default on 64-bit Windows, under its default service.
const wchar_t kDefaultFolder[] = L"C:\\Program Files (x86)\\Velmora";
const wchar_t kDefaultService[] = L"velmora";
const char kAccount[] = "admin_name=Ann\r\nadmin_surname=Lee\r\nadmin_login=ann\r\nadmin_password=Secret-42\r\n";

// The machine type in a program's PE header; 0 when it cannot be read.
WORD MachineOf(const std::wstring& program)
{
    const std::string image = ReadWholeFile(program);
    if (image.size() < 0x40)
        return 0;
    const DWORD header = *reinterpret_cast<const DWORD*>(image.data() + 0x3c);
    if (image.size() < header + 6 || image.compare(header, 4, std::string("PE\0\0", 4)) != 0)
        return 0;
    return *reinterpret_cast<const WORD*>(image.data() + header + 4);
}

class ShippedBuildUnderWow64 : public SetupRunTest
{
protected:
    // The prefix is this test's own: what the installation left goes with the prefix's
    // server, which tests/e2e/CMakeLists.txt ends before each run.
    // The default installation goes whole, so that the next run installs anew.
    ~ShippedBuildUnderWow64() override { RemoveInstallation(kDefaultFolder, kDefaultService); }

    // The installation in the default folder: ended with 1 and no box, its server (the
    // 32-bit one) running and answering, its entry in the registry view that the 64-bit
    // build and the uninstaller read, and in no other.
    void ExpectDefaultInstallation(const ProgramRun& run, const std::string& logged)
    {
        EXPECT_TRUE(run.boxes.empty()) << run.boxes[0].text;
        EXPECT_EQ(1u, run.exitCode) << logged;
        EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), g_setupTools.GetServiceState(kDefaultService));
        EXPECT_EQ(IMAGE_FILE_MACHINE_I386, MachineOf(std::wstring(kDefaultFolder) + L"\\Velmora.exe"));
        std::string page = SendHttpRequest(443, "GET / HTTP/1.1\r\nHost: localhost:443\r\nConnection: close\r\n\r\n");
        EXPECT_EQ(200, StatusCodeOf(page)) << page;
        EXPECT_EQ(kDefaultFolder, UninstallEntryReader(kDefaultService).Text(L"InstallLocation"));
        EXPECT_TRUE(UninstallEntryReader(kDefaultService, KEY_WOW64_64KEY).Exists());
        EXPECT_FALSE(UninstallEntryReader(kDefaultService, KEY_WOW64_32KEY).Exists());
    }
};

} // namespace

// A quiet installation into the default folder with a hosts entry, then its upgrade: every
// start of a 32-bit program costs a minute or two here.
TEST_F(ShippedBuildUnderWow64, InstallsIntoTheDefaultFolderAndUpgrades)
{
    HostsFileKeeper hosts;
    const std::wstring log = folder_.File(L"run.log");
    ASSERT_NO_FATAL_FAILURE(
        WriteSettingsFile(std::string(kAccount) + "domain=velmora-e2e.invalid\r\nhosts_entry=true\r\n", false));

    ProgramRun installed = RunSetup(nullptr, L"/quiet /log=\"" + log + L"\"");
    std::string logged = ReadWholeFile(log);
    EXPECT_NE(std::string::npos, logged.find("path=\"C:\\Program Files (x86)\\Velmora\"")) << logged;
    ExpectDefaultInstallation(installed, logged);
    // The hosts file that the system reads, not the 32-bit system folder's copy.
    EXPECT_NE(std::string::npos, hosts.Text().find("velmora-e2e.invalid"));

    DeleteFileW(log.c_str());
    ProgramRun upgraded = RunSetup(nullptr, L"/quiet /log=\"" + log + L"\"");
    logged = ReadWholeFile(log);
    // An upgrade keeps the files it replaced in a backup.
    EXPECT_TRUE(PathExists(std::wstring(kDefaultFolder) + L"\\backups")) << logged;
    ExpectDefaultInstallation(upgraded, logged);
}

// A new installation whose server cannot start (its administrator disabled the service that
// waits for it): the run ends with 2 and leaves nothing of its own.
TEST_F(ShippedBuildUnderWow64, AFailedInstallationLeavesNothing)
{
    const std::wstring log = folder_.File(L"run.log");
    ASSERT_TRUE(InstallServerService(installation_.InstallDir(), installation_.ServiceName(), SERVICE_DISABLED));
    ASSERT_NO_FATAL_FAILURE(WriteSettingsFile(std::string(kAccount) + "domain=localhost\r\n"));
    ProgramRun failed = RunSetup(nullptr, L"/quiet /log=\"" + log + L"\"");
    const std::string logged = ReadWholeFile(log);
    EXPECT_EQ(2u, failed.exitCode) << logged;
    EXPECT_NE(std::string::npos, logged.find("step start FAILED (")) << logged;
    EXPECT_FALSE(installation_.InstallDirExists());
    EXPECT_FALSE(UninstallEntryReader(installation_.ServiceName(), KEY_WOW64_64KEY).Exists());
    EXPECT_FALSE(UninstallEntryReader(installation_.ServiceName(), KEY_WOW64_32KEY).Exists());
}

// The entry's own quiet command takes the installation away, its entry in the shared view too.
TEST_F(ShippedBuildUnderWow64, UninstallsByTheEntrysQuietCommand)
{
    const std::wstring log = folder_.File(L"run.log");
    ASSERT_NO_FATAL_FAILURE(WriteSettingsFile(std::string(kAccount) + "domain=localhost\r\n", false));
    ProgramRun installed = RunSetup(nullptr, L"/quiet /log=\"" + log + L"\"");
    ExpectDefaultInstallation(installed, ReadWholeFile(log));

    const std::wstring quiet = UninstallEntryReader(kDefaultService).Text(L"QuietUninstallString");
    ASSERT_FALSE(quiet.empty());
    ProgramStart start = {quiet};
    start.timeoutMs = kInstallTimeoutMs;
    ProgramRun removed = RunProgram(start);
    EXPECT_TRUE(removed.ended);
    EXPECT_EQ(0u, removed.exitCode);
    EXPECT_TRUE(removed.boxes.empty());
    // The started uninstaller itself removes the folder before it ends.
    EXPECT_FALSE(PathExists(kDefaultFolder));
    EXPECT_FALSE(g_setupTools.ServiceExists(kDefaultService));
    EXPECT_FALSE(UninstallEntryReader(kDefaultService, KEY_WOW64_64KEY).Exists());
    EXPECT_FALSE(UninstallEntryReader(kDefaultService, KEY_WOW64_32KEY).Exists());
}
