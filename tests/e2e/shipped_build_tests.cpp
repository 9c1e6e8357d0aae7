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

bool EntryInView(const std::wstring& serviceName, REGSAM view)
{
    HKEY raw = nullptr;
    const std::wstring path = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\VelmoraServer_" + serviceName;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_QUERY_VALUE | view, &raw) != ERROR_SUCCESS)
        return false;
    RegCloseKey(raw);
    return true;
}

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
    ~ShippedBuildUnderWow64() override
    {
        g_setupTools.ControlServiceAndWait(kDefaultService, true);
        g_setupTools.RemoveService(kDefaultService);
        UninstallEntryReader(kDefaultService).Delete();
    }

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
        EXPECT_TRUE(EntryInView(kDefaultService, KEY_WOW64_64KEY));
        EXPECT_FALSE(EntryInView(kDefaultService, KEY_WOW64_32KEY));
    }
};

} // namespace

// One run of each kind, since every start of a 32-bit program costs a minute here: a quiet
// installation into the default folder with a hosts entry, its upgrade, a new installation
// whose server cannot start (taken back), and the removal by the entry's own command.
TEST_F(ShippedBuildUnderWow64, InstallsUpgradesTakesAFailureBackAndUninstalls)
{
    HostsFileKeeper hosts;
    const std::wstring log = folder_.File(L"run.log");
    WriteSettingsFile(std::string(kAccount) + "domain=velmora-e2e.invalid\r\nhosts_entry=true\r\n", false);

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

    // A second installation beside it, under a service name whose program does not exist.
    ASSERT_TRUE(g_setupTools.InstallService(L"\"C:\\no-such-folder\\Velmora.exe\" /start",
                                            installation_.ServiceName().c_str(), L"Velmora (test)", L"t"));
    WriteSettingsFile(std::string(kAccount) + "domain=localhost\r\n");
    DeleteFileW(log.c_str());
    ProgramRun failed = RunSetup(nullptr, L"/quiet /log=\"" + log + L"\"");
    logged = ReadWholeFile(log);
    EXPECT_EQ(2u, failed.exitCode) << logged;
    EXPECT_NE(std::string::npos, logged.find("step start FAILED (")) << logged;
    EXPECT_FALSE(installation_.InstallDirExists());
    EXPECT_FALSE(EntryInView(installation_.ServiceName(), KEY_WOW64_64KEY));
    EXPECT_FALSE(EntryInView(installation_.ServiceName(), KEY_WOW64_32KEY));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), g_setupTools.GetServiceState(kDefaultService));

    const std::wstring quiet = UninstallEntryReader(kDefaultService).Text(L"QuietUninstallString");
    ASSERT_FALSE(quiet.empty());
    ProgramStart start = {quiet};
    start.timeoutMs = kInstallTimeoutMs;
    ProgramRun removed = RunProgram(start);
    EXPECT_TRUE(removed.ended);
    EXPECT_EQ(0u, removed.exitCode);
    EXPECT_TRUE(removed.boxes.empty());
    // Its copy in a folder of its own removes the folder once the started one has ended.
    EXPECT_TRUE(WaitUntil([] { return GetFileAttributesW(kDefaultFolder) == INVALID_FILE_ATTRIBUTES; },
                          kInstallTimeoutMs));
    EXPECT_FALSE(g_setupTools.ServiceExists(kDefaultService));
    EXPECT_FALSE(EntryInView(kDefaultService, KEY_WOW64_64KEY));
    EXPECT_FALSE(EntryInView(kDefaultService, KEY_WOW64_32KEY));
}
