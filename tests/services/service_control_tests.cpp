// Service presence, state, and starting or stopping with the wait while pending, against
// Wine's Service Control Manager and the fixture service.
#include <gtest/gtest.h>

#include "app/setup_tools.h"
#include "services/service_test_support.h"
#include "system/service_wait.h"

namespace {

const DWORD kUnknown = CSetupTools::kUnknownServiceState;

DWORD MillisecondsSince(DWORD start)
{
    return GetTickCount() - start;
}

struct StartOutcome
{
    DWORD state = 0;
    DWORD elapsedMs = 0;
};

// Starts a fixture service made with `options` and waits for it; the service is removed
// again afterwards.
StartOutcome StartFixture(const wchar_t* options)
{
    StartOutcome outcome;
    TestService service(FixtureCommandLine(options));
    EXPECT_TRUE(service.Created());
    DWORD start = GetTickCount();
    outcome.state = g_setupTools.ControlServiceAndWait(service.Name(), false);
    outcome.elapsedMs = MillisecondsSince(start);
    return outcome;
}

} // namespace

TEST(ServicePresence, InstalledServiceExistsAndReportsItsState)
{
    TestService service(FixtureCommandLine(L""));
    ASSERT_TRUE(service.Created());
    EXPECT_TRUE(g_setupTools.ServiceExists(service.Name()));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), g_setupTools.GetServiceState(service.Name()));

    ASSERT_TRUE(service.StartAndWaitRunning());
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), g_setupTools.GetServiceState(service.Name()));
}

TEST(ServicePresence, MissingServiceIsAbsentWithUnknownState)
{
    std::wstring missing = UniqueServiceName();
    EXPECT_FALSE(g_setupTools.ServiceExists(missing.c_str()));
    EXPECT_EQ(kUnknown, g_setupTools.GetServiceState(missing.c_str()));
}

TEST(ServiceControl, StartsAndStopsService)
{
    TestService service(FixtureCommandLine(L""));
    ASSERT_TRUE(service.Created());
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), g_setupTools.ControlServiceAndWait(service.Name(), false));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), ReadServiceState(service.NameText()));
    // Starting a running service fails, which only shows in the state it stays in.
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), g_setupTools.ControlServiceAndWait(service.Name(), false));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), g_setupTools.ControlServiceAndWait(service.Name(), true));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), ReadServiceState(service.NameText()));
}

TEST(ServiceControl, StoppingStoppedServiceReportsStopped)
{
    TestService service(FixtureCommandLine(L""));
    ASSERT_TRUE(service.Created());
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), g_setupTools.ControlServiceAndWait(service.Name(), true));
}

TEST(ServiceControl, MissingServiceGivesUnknownState)
{
    std::wstring missing = UniqueServiceName();
    EXPECT_EQ(kUnknown, g_setupTools.ControlServiceAndWait(missing.c_str(), false));
    EXPECT_EQ(kUnknown, g_setupTools.ControlServiceAndWait(missing.c_str(), true));
}

TEST(ServiceControl, WaitsWhileStartIsPendingSleepingForEachHint)
{
    StartOutcome pending = StartFixture(L"start-pending=700 hint=100");
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), pending.state);
    EXPECT_GE(pending.elapsedMs, 700u);

    // Pending for a moment only, but the hint asks for a long pause before the next read.
    StartOutcome longHint = StartFixture(L"start-pending=200 hint=1500");
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), longHint.state);
    EXPECT_GE(longHint.elapsedMs, 1500u);

    // A zero hint is polled again at once rather than taken as the end of the wait.
    StartOutcome zeroHint = StartFixture(L"start-pending=600 hint=0");
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), zeroHint.state);
    EXPECT_GE(zeroHint.elapsedMs, 600u);
    EXPECT_LT(zeroHint.elapsedMs, 5000u);
}

TEST(ServiceControl, WaitsWhileStopIsPending)
{
    TestService service(FixtureCommandLine(L"stop-pending=700 hint=100"));
    ASSERT_TRUE(service.Created());
    ASSERT_TRUE(service.StartAndWaitRunning());
    DWORD start = GetTickCount();
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), g_setupTools.ControlServiceAndWait(service.Name(), true));
    EXPECT_GE(MillisecondsSince(start), 700u);
}

TEST(ServiceControl, ServiceThatNeverRunsEndsStopped)
{
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), StartFixture(L"refuse").state);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), StartFixture(L"exit-at-once").state);
}

TEST(ServiceControl, GivesUpAtTheWaitLimitWithTheLastState)
{
    // Short hints are slept in full until the limit; a hint far beyond it is cut short.
    for (const wchar_t* options : {L"start-pending=2000 hint=100", L"start-pending=2000 hint=600000"}) {
        SCOPED_TRACE(testing::Message() << "fixture options: " << options);
        TestService service(FixtureCommandLine(options));
        ASSERT_TRUE(service.Created());
        DWORD start = GetTickCount();
        EXPECT_EQ(static_cast<DWORD>(SERVICE_START_PENDING), ControlServiceAndWaitWithin(service.Name(), false, 400));
        EXPECT_GE(MillisecondsSince(start), 400u);
        EXPECT_LT(MillisecondsSince(start), 5000u);
    }
}
