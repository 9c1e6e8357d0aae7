// Creating the server's service: its configuration read back from the manager, the
// re-creation over a service in the way, and the bounded retries.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "base/scoped_seam.h"
#include "base/setup_tools.h"
#include "system/services/service_install_seams.h"
#include "services/service_test_support.h"
#include "support/message_box_watcher.h"
#include "system/services/service_install.h"

namespace {

// What one ChangeServiceConfig2W call was given, copied out of the caller's records.
struct ConfigChange
{
    DWORD level = 0, resetPeriod = 0xFFFFFFFF;
    std::wstring description;
    bool hasRebootMessage = true, hasCommand = true;
    std::vector<SC_ACTION> actions;
};

std::vector<ConfigChange> g_changes;

BOOL WINAPI RecordingChangeServiceConfig2(SC_HANDLE service, DWORD level, void* info)
{
    ConfigChange change;
    change.level = level;
    if (level == SERVICE_CONFIG_DESCRIPTION) {
        const auto* text = static_cast<SERVICE_DESCRIPTIONW*>(info);
        change.description = text->lpDescription ? text->lpDescription : L"(null)";
    } else if (level == SERVICE_CONFIG_FAILURE_ACTIONS) {
        const auto* failure = static_cast<SERVICE_FAILURE_ACTIONSW*>(info);
        change.resetPeriod = failure->dwResetPeriod;
        change.hasRebootMessage = failure->lpRebootMsg != nullptr;
        change.hasCommand = failure->lpCommand != nullptr;
        change.actions.assign(failure->lpsaActions, failure->lpsaActions + failure->cActions);
    }
    g_changes.push_back(change);
    return ChangeServiceConfig2W(service, level, info);
}

// Installs the recorder for one test and removes the service that the test made.
class ServiceInstall : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_changes.clear();
    }
    void TearDown() override { RemoveTestService(name_); }

    std::wstring name_ = UniqueServiceName();
    ScopedSeam<ChangeServiceConfig2Call> change_{g_changeServiceConfig2Call, RecordingChangeServiceConfig2};
};

} // namespace

TEST_F(ServiceInstall, CreatesOwnProcessAutoStartServiceUnderLocalSystem)
{
    std::wstring binaryPath = FixtureCommandLine(L"/start");
    MessageBoxWatcher watcher;
    ASSERT_TRUE(g_setupTools.InstallService(binaryPath.c_str(), name_.c_str(), L"Velmora Server (test)",
                                            L"Brindleway Velmora Server"));
    ServiceConfig config = ReadServiceConfig(name_);
    ASSERT_TRUE(config.read);
    EXPECT_EQ(std::make_tuple(static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS), static_cast<DWORD>(SERVICE_AUTO_START),
                              static_cast<DWORD>(SERVICE_ERROR_NORMAL), 0ul),
              std::make_tuple(config.serviceType, config.startType, config.errorControl, config.tagId));
    // Under LocalSystem, in no load order group, without dependencies.
    EXPECT_EQ(std::make_tuple(binaryPath, std::wstring(L"LocalSystem"), std::wstring(L"Velmora Server (test)"),
                              std::wstring(), std::wstring(), std::wstring(L"Brindleway Velmora Server")),
              std::make_tuple(config.binaryPath, config.account, config.displayName, config.loadOrderGroup,
                              config.dependencies, config.description));
    EXPECT_TRUE(watcher.Seen().empty());

    // The description, then one immediate restart on failure.
    ASSERT_EQ(2u, g_changes.size());
    EXPECT_EQ(static_cast<DWORD>(SERVICE_CONFIG_DESCRIPTION), g_changes[0].level);
    EXPECT_EQ(L"Brindleway Velmora Server", g_changes[0].description);
    const ConfigChange& failure = g_changes[1];
    EXPECT_EQ(static_cast<DWORD>(SERVICE_CONFIG_FAILURE_ACTIONS), failure.level);
    EXPECT_EQ(0u, failure.resetPeriod);
    EXPECT_FALSE(failure.hasRebootMessage);
    EXPECT_FALSE(failure.hasCommand);
    ASSERT_EQ(1u, failure.actions.size());
    EXPECT_EQ(SC_ACTION_RESTART, failure.actions[0].Type);
    EXPECT_EQ(0u, failure.actions[0].Delay);
    // And it runs as created.
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), g_setupTools.ControlServiceAndWait(name_.c_str(), false));
}

TEST_F(ServiceInstall, ReplacesStoppedOrRunningServiceOfTheSameName)
{
    for (bool running : {false, true}) {
        SCOPED_TRACE(running ? "running" : "stopped");
        // Demand-start, another program and display name; a running one takes a moment
        // to stop, and stays marked for deletion until it has.
        TestService old(FixtureCommandLine(L"stop-pending=300 hint=100"));
        ASSERT_TRUE(old.Created());
        ASSERT_TRUE(!running || old.StartAndWaitRunning());

        std::wstring binaryPath = FixtureCommandLine(L"hint=20");
        MessageBoxWatcher watcher;
        ASSERT_TRUE(g_setupTools.InstallService(binaryPath.c_str(), old.Name(), L"Replacement", L"New"));

        ServiceConfig config = ReadServiceConfig(old.NameText());
        EXPECT_EQ(binaryPath, config.binaryPath);
        EXPECT_EQ(L"Replacement", config.displayName);
        EXPECT_EQ(static_cast<DWORD>(SERVICE_AUTO_START), config.startType);
        EXPECT_TRUE(watcher.Seen().empty());
    }
}

TEST_F(ServiceInstall, DisplayNameOfAnotherServiceEndsAfterTheTriesWithoutTouchingIt)
{
    // Removing our own name cannot clear a display name that another service holds, so
    // only the bound ends the retries.
    std::wstring taken = L"Taken display " + UniqueServiceName();
    TestService other(FixtureCommandLine(L""), taken.c_str());
    ASSERT_TRUE(other.Created());

    MessageBoxWatcher watcher;
    std::wstring binaryPath = FixtureCommandLine(L"");
    EXPECT_FALSE(InstallServiceWithin(binaryPath.c_str(), name_.c_str(), taken.c_str(), L"Test", 4, 10));
    EXPECT_EQ(static_cast<DWORD>(ERROR_DUPLICATE_SERVICE_NAME), GetLastError());
    ExpectOneErrorBox(watcher, SystemErrorText(ERROR_DUPLICATE_SERVICE_NAME), true);
    EXPECT_FALSE(g_setupTools.ServiceExists(name_.c_str()));
    EXPECT_EQ(taken, ReadServiceConfig(other.NameText()).displayName);
}

TEST_F(ServiceInstall, OtherCreationErrorIsRetriedWithPausesThenShown)
{
    std::wstring badName = L"bad\\" + name_;
    std::wstring binaryPath = FixtureCommandLine(L"");
    MessageBoxWatcher watcher;
    DWORD start = GetTickCount();
    EXPECT_FALSE(InstallServiceWithin(binaryPath.c_str(), badName.c_str(), L"Bad", L"Bad", 3, 150));
    EXPECT_GE(GetTickCount() - start, 300u);
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_NAME), GetLastError());
    ExpectOneErrorBox(watcher, SystemErrorText(ERROR_INVALID_NAME), true);
}

TEST_F(ServiceInstall, MissingTextCreatesNothingAndShowsNothing)
{
    std::wstring binaryPath = FixtureCommandLine(L"");
    MessageBoxWatcher watcher;
    EXPECT_FALSE(g_setupTools.InstallService(nullptr, name_.c_str(), L"D", L"T"));
    EXPECT_FALSE(g_setupTools.InstallService(binaryPath.c_str(), nullptr, L"D", L"T"));
    EXPECT_FALSE(g_setupTools.InstallService(binaryPath.c_str(), name_.c_str(), nullptr, L"T"));
    EXPECT_FALSE(g_setupTools.InstallService(binaryPath.c_str(), name_.c_str(), L"D", nullptr));
    EXPECT_FALSE(g_setupTools.ServiceExists(name_.c_str()));
    EXPECT_TRUE(watcher.Seen().empty());
}
