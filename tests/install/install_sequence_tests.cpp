// The installation sequence run for real under Wine: the embedded server payload is
// unpacked, the real service is created in the prefix's Service Control Manager, the real
// server starts and reports ready through its event.
#include <gtest/gtest.h>
#include <winsock2.h>
#include <windows.h>

#include <string>
#include <vector>

#include "base/bounded_text.h"
#include "base/install_settings.h"
#include "base/setup_tools.h"
#include "formats/config/config_file.h"
#include "install/install_harness.h"
#include "support/installation_fixture.h"
#include "support/message_box_watcher.h"
#include "support/socket_helpers.h"

namespace {

bool Exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

class InstallSequenceTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        installation_.PrepareSettings();
        ASSERT_NE(std::vector<BYTE>(20, 0),
                  std::vector<BYTE>(g_settings.cert_thumbprint, g_settings.cert_thumbprint + 20))
            << "the default certificate was imported";
    }

    std::wstring File(const wchar_t* relative) const { return installation_.InstallDir() + L"\\" + relative; }

    static void ExpectSuccessfulRun(const InstallHarness& harness)
    {
        // Every step starts and is done, in order, with the bar's positions of seven rows.
        const int positions[] = {14, 28, 42, 57, 71, 85, 100};
        int step = 0;
        for (const auto& report : harness.Reports()) {
            ASSERT_NE(kStepFailed, report.state) << "step " << report.step << " failed";
            if (report.state == kStepDone) {
                EXPECT_EQ(step, report.step);
                EXPECT_EQ(positions[step], report.position);
                ++step;
            }
        }
        EXPECT_EQ(kInstallStepCount, step);
    }

    InstallationFixture installation_{L"install"};
    const std::wstring& installDir_ = installation_.InstallDir();
    const wchar_t* serviceName_ = installation_.ServiceName().c_str();
};

TEST_F(InstallSequenceTest, NewInstallationRunsEveryStepAndTheServerReportsReady)
{
    InstallHarness harness;
    harness.RunWorker();

    ExpectSuccessfulRun(harness);
    EXPECT_FALSE(harness.Page().failed);
    EXPECT_TRUE(harness.Page().finished);
    EXPECT_EQ(L"Installation successfully completed. Click the \"Finish\" button to exit",
              harness.StatusLine());

    // The unpacked tree, the first-start file and the configuration written for it.
    EXPECT_TRUE(Exists(File(L"Velmora.exe")));
    EXPECT_TRUE(Exists(File(L"uninstall.exe")));
    EXPECT_TRUE(Exists(File(L"links\\brindleway.url")));
    EXPECT_TRUE(Exists(File(L"config\\BrindlewayRootCA.cer")));
    EXPECT_EQ(736u + 704u, ReadWholeFile(File(L"config\\start.dat")).size());
    std::string config = ReadWholeFile(File(L"config\\velmora.cfg"));
    EXPECT_NE(std::string::npos, config.find("\r\nserver_ip=0.0.0.0\r\n"));
    EXPECT_EQ(std::string::npos, config.find("server_mode"));
    EXPECT_FALSE(Exists(File(L"backups")));  // a new folder needs no backup

    // The service as created, running the server, which keeps running.
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), g_setupTools.GetServiceState(serviceName_));
    EXPECT_NE(0u, g_setupTools.FindProcessByPath(File(L"VELMORA.EXE").c_str()));
    wchar_t folder[260] = {};
    g_setupTools.GetServiceFolder(serviceName_, folder, 260);
    EXPECT_EQ(0, lstrcmpiW(folder, installDir_.c_str()));

    // The program group with its three shortcuts.
    std::wstring group = ProgramGroupPath();
    EXPECT_TRUE(Exists(group + L"\\Velmora.lnk"));
    EXPECT_TRUE(Exists(group + L"\\Brindleway Software Corp.lnk"));
    EXPECT_TRUE(Exists(group + L"\\Uninstall....lnk"));
}

TEST_F(InstallSequenceTest, UpgradeKeepsConfigurationAndFirstStartFileAndTakesABackup)
{
    {
        InstallHarness first;
        first.RunWorker();
        ExpectSuccessfulRun(first);
    }
    // The administrator's own configuration and the server's data must survive.
    const std::string ownConfig = "server_ip=10.1.2.3\r\nserver_ssl_mode=false\r\n";
    ASSERT_TRUE(WriteWholeFile(File(L"config\\velmora.cfg"), ownConfig));
    const std::string startFile = ReadWholeFile(File(L"config\\start.dat"));
    ASSERT_TRUE(WriteWholeFile(File(L"config\\start.dat"), "server data"));

    g_serverConfig.Clear();
    ASSERT_TRUE(g_serverConfig.Load(File(L"config\\velmora.cfg").c_str()));
    g_settings.upgrade = true;
    g_settings.server_address.sin_addr.s_addr = inet_addr("192.0.2.7");  // must not be used
    InstallHarness upgrade;
    upgrade.RunWorker();

    ExpectSuccessfulRun(upgrade);
    EXPECT_EQ(ownConfig, ReadWholeFile(File(L"config\\velmora.cfg")));
    EXPECT_EQ("server data", ReadWholeFile(File(L"config\\start.dat")));
    // The replaced server went into backups\<UTC start time>.
    ASSERT_NE(0, g_settings.backup_dir[0]);
    std::wstring backup = g_settings.backup_dir;
    EXPECT_EQ(0u, backup.rfind(installDir_ + L"\\backups\\", 0));
    EXPECT_EQ(19u, backup.size() - (installDir_ + L"\\backups\\").size());  // %Y-%m-%d %H-%M-%S
    EXPECT_TRUE(Exists(backup + L"\\Velmora.exe"));
}

TEST_F(InstallSequenceTest, CancelBeforeTheFirstCheckRemovesTheNewInstallation)
{
    InstallHarness harness;
    harness.Page().cancel_requested = true;
    harness.RunWorker();

    ASSERT_FALSE(harness.Reports().empty());
    EXPECT_EQ(kStepPrepare, harness.Last().step);
    EXPECT_EQ(kStepFailed, harness.Last().state);
    EXPECT_EQ(100, harness.Last().position);
    EXPECT_TRUE(harness.Page().failed);
    EXPECT_TRUE(harness.Page().finished);
    EXPECT_FALSE(installation_.InstallDirExists());
    EXPECT_FALSE(installation_.ServiceExists());
}

TEST_F(InstallSequenceTest, ServerThatNeverStartsFailsTheStartStepQuietlyWhenUnattended)
{
    // An existing service is kept as it is and started under its old command line: here one
    // whose program does not exist, so it cannot reach the running state.
    ASSERT_TRUE(g_setupTools.InstallService(L"\"C:\\no-such-folder\\Velmora.exe\" /start", serviceName_,
                                            L"Velmora Server (test)", L"test"));
    g_settings.force_auto = true;
    MessageBoxWatcher boxes;
    InstallHarness harness;
    harness.RunWorker();

    EXPECT_EQ(kStepStart, harness.Last().step);
    EXPECT_EQ(kStepFailed, harness.Last().state);
    EXPECT_TRUE(boxes.Seen().empty());
    // A new installation that failed leaves nothing of itself behind, and the service that
    // was there before it, which runs a program elsewhere, stays.
    EXPECT_FALSE(Exists(installDir_));
    EXPECT_TRUE(installation_.ServiceExists());
    EXPECT_FALSE(harness.CloseRequested());
}

TEST_F(InstallSequenceTest, AServerThatEndsBeforeItIsReadyTakesItsNewServiceAlong)
{
    // The port is taken: the server ends after its service was registered and started.
    PortHolder holder(INADDR_ANY);
    ASSERT_TRUE(holder.Bound());
    g_settings.force_auto = true;
    InstallHarness harness;
    harness.RunWorker();

    EXPECT_EQ(kStepFailed, harness.Last().state);
    EXPECT_LE(kStepStart, harness.Last().step);
    EXPECT_FALSE(Exists(installDir_));
    EXPECT_FALSE(installation_.ServiceExists());
}

TEST_F(InstallSequenceTest, UnattendedSuccessAsksThePageToClose)
{
    g_settings.force_auto = true;
    g_settings.saas_mode = true;  // hosted: no program group, no certificate work
    InstallHarness harness;
    harness.RunWorker();

    ExpectSuccessfulRun(harness);
    EXPECT_TRUE(harness.CloseRequested());
    EXPECT_TRUE(harness.StatusLine().empty());
    EXPECT_NE(std::string::npos, ReadWholeFile(File(L"config\\velmora.cfg")).find("server_mode=\"saas\"\r\n"));
    EXPECT_FALSE(Exists(ProgramGroupPath() + L"\\Velmora.lnk"));
}

} // namespace
