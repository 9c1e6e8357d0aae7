// Service presence, state, starting or stopping with the wait while pending and removal,
// against Wine's Service Control Manager and the fixture service. Switching to automatic
// start: required_service_tests.
#include <gtest/gtest.h>

#include "base/setup_tools.h"
#include "services/service_test_support.h"
#include "support/message_box_watcher.h"
#include "support/wait_until.h"
#include "system/services/service_wait.h"

// Stopping a stopped service, or starting a running one, leaves it as it is. A running one
// is removed after one pause for the hint its stop control returned; the manager lets it go
// once its process has ended.
TEST(ServiceControl, StartsStopsAndRemovesAServiceAndReportsItsState)
{
    TestService service(FixtureCommandLine(L"hint=300"));
    EXPECT_TRUE(g_setupTools.ServiceExists(service.Name()));
    for (bool stop : {true, false, false, true, false}) {
        DWORD state = stop ? SERVICE_STOPPED : SERVICE_RUNNING;
        EXPECT_EQ(state, g_setupTools.ControlServiceAndWait(service.Name(), stop));
        EXPECT_EQ(state, ReadServiceState(service.NameText()));
        EXPECT_EQ(state, g_setupTools.GetServiceState(service.Name()));
    }
    MessageBoxWatcher watcher;
    DWORD start = GetTickCount();
    EXPECT_TRUE(g_setupTools.RemoveService(service.Name()));
    EXPECT_GE(GetTickCount() - start, 300u);
    EXPECT_TRUE(watcher.Seen().empty());
    EXPECT_TRUE(WaitUntil([&] { return !g_setupTools.ServiceExists(service.Name()); }, 10000));
}

// A missing service counts as removed; switching it to automatic start shows the system's
// error; nothing else shows a box.
TEST(ServiceControl, AMissingServiceIsUnknown)
{
    std::wstring missing = UniqueServiceName();
    MessageBoxWatcher watcher;
    EXPECT_FALSE(g_setupTools.ServiceExists(missing.c_str()));
    EXPECT_EQ(CSetupTools::kUnknownServiceState, g_setupTools.GetServiceState(missing.c_str()));
    EXPECT_EQ(CSetupTools::kUnknownServiceState, g_setupTools.ControlServiceAndWait(missing.c_str(), false));
    EXPECT_TRUE(g_setupTools.RemoveService(missing.c_str()));
    EXPECT_TRUE(watcher.Seen().empty());
    EXPECT_FALSE(g_setupTools.SetServiceAutoStart(missing.c_str()));
    EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST), GetLastError());
    ASSERT_NO_FATAL_FAILURE(ExpectOneErrorBox(watcher, SystemErrorText(ERROR_SERVICE_DOES_NOT_EXIST), true));
}

// How long the wait lasts and the state it ends with, by what the fixture service does.
TEST(ServiceControl, WaitsWhilePendingSleepingForEachHintUpToTheLimit)
{
    const DWORD kRunning = SERVICE_RUNNING, kStopped = SERVICE_STOPPED, kPending = SERVICE_START_PENDING;
    const struct { const wchar_t* options; DWORD limitMs, state, atLeastMs; } cases[] = {
        // Pending for a moment only, but the hint asks for a long pause before the next read.
        {L"start-pending=200 hint=1500", 0, kRunning, 1500},
        // A zero hint is polled again at once rather than taken as the end of the wait.
        {L"start-pending=600 hint=0", 0, kRunning, 600},
        {L"stop-pending=700 hint=100", 0, kStopped, 700},
        // A service that never runs ends stopped.
        {L"refuse", 0, kStopped, 0},
        {L"exit-at-once", 0, kStopped, 0},
        // At the limit, the last state: short hints are slept in full until the limit; a
        // hint far beyond it is cut short.
        {L"start-pending=2000 hint=100", 400, kPending, 400},
        {L"start-pending=2000 hint=600000", 400, kPending, 400},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "fixture options: " << c.options);
        TestService service(FixtureCommandLine(c.options));
        bool stop = wcsncmp(c.options, L"stop", 4) == 0;
        ASSERT_TRUE(!stop || service.StartAndWaitRunning());
        DWORD start = GetTickCount();
        EXPECT_EQ(c.state, c.limitMs ? ControlServiceAndWaitWithin(service.Name(), stop, c.limitMs)
                                     : g_setupTools.ControlServiceAndWait(service.Name(), stop));
        EXPECT_GE(GetTickCount() - start, c.atLeastMs);
        EXPECT_LT(GetTickCount() - start, 5000u);
    }
}
