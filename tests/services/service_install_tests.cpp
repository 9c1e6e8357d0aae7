// Creating the server's service: its configuration read back from the manager, the
// re-creation over a service in the way (or not, for a run that found none there), and
// the bounded retries.
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "base/scoped_seam.h"
#include "base/setup_tools.h"
#include "system/services/service_install_seams.h"
#include "services/service_test_support.h"
#include "support/message_box_watcher.h"
#include "system/services/service_install.h"

namespace {

// The failure actions that ChangeServiceConfig2W was given (Wine cannot read them back).
std::vector<SC_ACTION> g_failureActions;
DWORD g_resetPeriod;
bool g_rebootMessageOrCommand;

BOOL WINAPI RecordingChangeServiceConfig2(SC_HANDLE service, DWORD level, void* info)
{
    if (level == SERVICE_CONFIG_FAILURE_ACTIONS) {
        const auto* failure = static_cast<SERVICE_FAILURE_ACTIONSW*>(info);
        g_failureActions.assign(failure->lpsaActions, failure->lpsaActions + failure->cActions);
        g_resetPeriod = failure->dwResetPeriod;
        g_rebootMessageOrCommand = failure->lpRebootMsg || failure->lpCommand;
    }
    return ChangeServiceConfig2W(service, level, info);
}

// Removes the service that the test made.
class ServiceInstall : public ::testing::Test
{
protected:
    void TearDown() override { RemoveTestService(name_); }
    std::wstring name_ = UniqueServiceName();
};

} // namespace

// Own process, automatic start, under LocalSystem, in no load order group, without
// dependencies; restarted at once after a failure. And it runs as created.
TEST_F(ServiceInstall, CreatesOwnProcessAutoStartServiceUnderLocalSystem)
{
    g_failureActions.clear();
    ScopedSeam<ChangeServiceConfig2Call> change(g_changeServiceConfig2Call, RecordingChangeServiceConfig2);
    std::wstring binaryPath = FixtureCommandLine(L"/start");
    MessageBoxWatcher watcher;
    ASSERT_TRUE(g_setupTools.InstallService(binaryPath.c_str(), name_.c_str(), L"Velmora Server (test)",
                                            L"Brindleway Velmora Server"));
    ServiceConfig config = ReadServiceConfig(name_);
    ASSERT_TRUE(config.read);
    EXPECT_EQ(std::make_tuple(static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS), static_cast<DWORD>(SERVICE_AUTO_START),
                              static_cast<DWORD>(SERVICE_ERROR_NORMAL), binaryPath, std::wstring(L"LocalSystem"),
                              std::wstring(L"Velmora Server (test)"), std::wstring(),
                              std::wstring(L"Brindleway Velmora Server")),
              std::make_tuple(config.serviceType, config.startType, config.errorControl, config.binaryPath,
                              config.account, config.displayName, config.loadOrderGroupAndDependencies,
                              config.description));
    EXPECT_TRUE(watcher.Seen().empty());
    ASSERT_EQ(1u, g_failureActions.size());
    EXPECT_EQ(SC_ACTION_RESTART, g_failureActions[0].Type);
    EXPECT_EQ(0u, g_failureActions[0].Delay);
    EXPECT_EQ(0u, g_resetPeriod);
    EXPECT_FALSE(g_rebootMessageOrCommand);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), g_setupTools.ControlServiceAndWait(name_.c_str(), false));
}

TEST_F(ServiceInstall, ReplacesStoppedOrRunningServiceOfTheSameName)
{
    for (bool running : {false, true}) {
        SCOPED_TRACE(running ? "running" : "stopped");
        // Demand-start, another program and display name; a running one takes a moment
        // to stop, and stays marked for deletion until it has.
        TestService old(FixtureCommandLine(L"stop-pending=300 hint=100"));
        ASSERT_TRUE(!running || old.StartAndWaitRunning());

        std::wstring binaryPath = FixtureCommandLine(L"hint=20");
        MessageBoxWatcher watcher;
        ASSERT_TRUE(g_setupTools.InstallService(binaryPath.c_str(), old.Name(), L"Replacement", L"New"));

        ServiceConfig config = ReadServiceConfig(old.NameText());
        EXPECT_EQ(std::make_tuple(binaryPath, std::wstring(L"Replacement"), static_cast<DWORD>(SERVICE_AUTO_START)),
                  std::make_tuple(config.binaryPath, config.displayName, config.startType));
        EXPECT_TRUE(watcher.Seen().empty());
    }
}

// Each ends after the tries, paused between them, with one box: a display name that
// another service holds (removing our own name cannot clear it, so only the bound ends the
// retries, and the other service is left alone), and any other creation error.
TEST_F(ServiceInstall, CreationErrorsAreRetriedWithPausesThenShown)
{
    const std::wstring taken = L"Taken display " + UniqueServiceName();
    TestService other(FixtureCommandLine(L""), taken.c_str());
    const std::wstring badName = L"bad\\" + name_, binaryPath = FixtureCommandLine(L"");
    const struct { const wchar_t* name; const wchar_t* displayName; DWORD pauseMs, error; } cases[] = {
        {name_.c_str(), taken.c_str(), 50, ERROR_DUPLICATE_SERVICE_NAME},
        {badName.c_str(), L"Bad", 150, ERROR_INVALID_NAME},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "error " << c.error);
        MessageBoxWatcher watcher;
        DWORD start = GetTickCount();
        EXPECT_FALSE(InstallServiceWithin(binaryPath.c_str(), c.name, c.displayName, L"Test", 3, c.pauseMs));
        EXPECT_GE(GetTickCount() - start, 2 * c.pauseMs);
        EXPECT_EQ(c.error, GetLastError());
        ASSERT_NO_FATAL_FAILURE(ExpectOneErrorBox(watcher, SystemErrorText(c.error), true));
        EXPECT_FALSE(g_setupTools.ServiceExists(c.name));
    }
    EXPECT_EQ(taken, ReadServiceConfig(other.NameText()).displayName);
}

// A service of the name that came after the run found none is somebody else's: the run's
// creation leaves it as it is and fails at once, telling nobody.
TEST_F(ServiceInstall, AServiceThatCameSinceIsLeftAsItIsWhenRefused)
{
    TestService other(FixtureCommandLine(L""));
    const std::wstring binaryPath = FixtureCommandLine(L"hint=20");
    MessageBoxWatcher watcher;
    const DWORD start = GetTickCount();
    EXPECT_FALSE(CreateServiceWithin(binaryPath.c_str(), other.Name(), L"Replacement", L"New", 3, 500,
                                     ExistingService::kRefuse));
    EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_EXISTS), GetLastError());
    EXPECT_LT(GetTickCount() - start, 500u) << "not tried again";
    EXPECT_EQ(FixtureCommandLine(L""), ReadServiceConfig(other.NameText()).binaryPath);
    EXPECT_TRUE(watcher.Seen().empty());
}
