// Creating the server's service: its configuration read back from the manager, a service in
// the way left alone by the run and replaced by the tests' set-ups, and the bounded retries.
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
    ASSERT_TRUE(CreateServiceWithin(binaryPath.c_str(), name_.c_str(), L"Velmora Server (test)",
                                    L"Brindleway Velmora Server", 3, 200, ExistingService::kRefuse));
    ServiceConfig config = ReadServiceConfig(name_);
    ASSERT_TRUE(config.read);
    EXPECT_EQ(std::make_tuple(static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS), static_cast<DWORD>(SERVICE_AUTO_START),
                              static_cast<DWORD>(SERVICE_ERROR_NORMAL), binaryPath, std::wstring(L"LocalSystem"),
                              std::wstring(L"Velmora Server (test)"), std::wstring(),
                              std::wstring(L"Brindleway Velmora Server")),
              std::make_tuple(config.serviceType, config.startType, config.errorControl, config.binaryPath,
                              config.account, config.displayName, config.loadOrderGroupAndDependencies,
                              config.description));
    ASSERT_EQ(1u, g_failureActions.size());
    EXPECT_EQ(SC_ACTION_RESTART, g_failureActions[0].Type);
    EXPECT_EQ(0u, g_failureActions[0].Delay);
    EXPECT_EQ(0u, g_resetPeriod);
    EXPECT_FALSE(g_rebootMessageOrCommand);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), g_setupTools.ControlServiceAndWait(name_.c_str(), false));
}

// The way the tests' set-ups create services: one of the name in the way, stopped or
// running, is replaced without a word; a failure is shown in one box with the system's text.
TEST_F(ServiceInstall, InstallServiceReplacesAServiceInTheWayAndShowsAFailure)
{
    for (bool running : {false, true}) {
        SCOPED_TRACE(running ? "running" : "stopped");
        // A running one takes a moment to stop, and stays marked for deletion until it has.
        TestService old(FixtureCommandLine(L"stop-pending=300 hint=100"));
        ASSERT_TRUE(!running || old.StartAndWaitRunning());
        const std::wstring binaryPath = FixtureCommandLine(L"hint=20");
        MessageBoxWatcher watcher;
        ASSERT_TRUE(g_setupTools.InstallService(binaryPath.c_str(), old.Name(), L"Replacement", L"New"));
        const ServiceConfig config = ReadServiceConfig(old.NameText());
        EXPECT_EQ(std::make_tuple(binaryPath, std::wstring(L"Replacement"), static_cast<DWORD>(SERVICE_AUTO_START)),
                  std::make_tuple(config.binaryPath, config.displayName, config.startType));
        EXPECT_TRUE(watcher.Seen().empty());
    }
    MessageBoxWatcher watcher;
    const std::wstring badName = L"bad\\" + name_;
    EXPECT_FALSE(InstallServiceWithin(FixtureCommandLine(L"").c_str(), badName.c_str(), L"Bad", L"Test", 1, 0));
    ASSERT_NO_FATAL_FAILURE(ExpectOneErrorBox(watcher, SystemErrorText(ERROR_INVALID_NAME), true));
}

// The run found no service of the name: one in the way now, or another holding the display
// name, is somebody else's, left as it is, and the creation fails at once, telling nobody.
// Any other error is tried again, paused between the tries.
TEST_F(ServiceInstall, WhatIsInTheWayIsLeftAtOnceOtherErrorsEndAfterTheTries)
{
    const std::wstring taken = L"Taken display " + UniqueServiceName();
    TestService other(FixtureCommandLine(L""), taken.c_str());
    const std::wstring badName = L"bad\\" + name_, binaryPath = FixtureCommandLine(L"hint=20");
    const DWORD pauseMs = 200;
    const struct { const wchar_t* name; const wchar_t* displayName; DWORD error; bool tried; } cases[] = {
        {other.Name(), L"Replacement", ERROR_SERVICE_EXISTS, false},
        {name_.c_str(), taken.c_str(), ERROR_DUPLICATE_SERVICE_NAME, false},
        {badName.c_str(), L"Bad", ERROR_INVALID_NAME, true},
    };
    MessageBoxWatcher watcher;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "error " << c.error);
        const DWORD start = GetTickCount();
        EXPECT_FALSE(CreateServiceWithin(binaryPath.c_str(), c.name, c.displayName, L"Test", 3, pauseMs,
                                         ExistingService::kRefuse));
        EXPECT_EQ(c.error, GetLastError());
        const DWORD took = GetTickCount() - start;
        if (c.tried) {
            EXPECT_GE(took, 2 * pauseMs);
        } else {
            EXPECT_LT(took, pauseMs) << "tried again";
        }
    }
    EXPECT_TRUE(watcher.Seen().empty());
    EXPECT_FALSE(g_setupTools.ServiceExists(name_.c_str()));
    EXPECT_FALSE(g_setupTools.ServiceExists(badName.c_str()));
    const ServiceConfig kept = ReadServiceConfig(other.NameText());
    EXPECT_EQ(std::make_tuple(FixtureCommandLine(L""), taken), std::make_tuple(kept.binaryPath, kept.displayName));
}
