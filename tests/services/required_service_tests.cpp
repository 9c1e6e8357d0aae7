// The start-up check that a required system service runs and starts with the system (only
// its start type switched), tried on services of our own.
#include <gtest/gtest.h>

#include <tuple>

#include "app/required_services.h"
#include "base/setup_tools.h"
#include "services/service_test_support.h"
#include "support/message_box_watcher.h"

namespace {

const wchar_t kServiceMissingText[] =
    L"Service \"HTTP SSL (HTTPFilter)\" necessary for Velmora Server operation is not currently installed on "
    L"your PC. Please install the service and restart the server setup.";
const wchar_t kServiceNotStartedText[] =
    L"Failed launching service \"HTTP SSL (HTTPFilter)\" necessary for Velmora Server operation. Please "
    L"launch the service manually and restart the server setup.";

} // namespace

TEST(RequiredService, RunningServiceIsAcceptedAsItIsAndStoppedOneIsStartedAndSetToStartAutomatically)
{
    for (bool running : {true, false}) {
        SCOPED_TRACE(running ? "running" : "stopped");
        TestService service(FixtureCommandLine(L"start-pending=300 hint=50"));
        ASSERT_TRUE(!running || service.StartAndWaitRunning());
        const ServiceConfig before = ReadServiceConfig(service.NameText());

        MessageBoxWatcher watcher;
        EXPECT_TRUE(EnsureServiceRunsAutomatically(service.Name()));
        EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), ReadServiceState(service.NameText()));
        const ServiceConfig after = ReadServiceConfig(service.NameText());
        EXPECT_EQ(static_cast<DWORD>(running ? SERVICE_DEMAND_START : SERVICE_AUTO_START), after.startType);
        // The start type is all that changes.
        EXPECT_EQ(std::make_tuple(true, before.serviceType, before.errorControl, before.binaryPath, before.account,
                                  before.displayName, before.description),
                  std::make_tuple(after.read, after.serviceType, after.errorControl, after.binaryPath, after.account,
                                  after.displayName, after.description));
        EXPECT_TRUE(watcher.Seen().empty());
    }
}

// A missing service, and one that will not start (and keeps its start type). That the
// check of the required services asks for "HTTPFilter", which Wine lacks: the win2003 row
// of SetupStart.UnsupportedSystemsAreRefusedWithExitCodeMinus1.
TEST(RequiredService, MissingOrFailingServiceIsReported)
{
    TestService refusing(FixtureCommandLine(L"refuse"));
    const std::wstring missing = UniqueServiceName();
    const struct { const wchar_t* name; const wchar_t* text; } cases[] = {
        {missing.c_str(), kServiceMissingText},
        {refusing.Name(), kServiceNotStartedText},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.name);
        MessageBoxWatcher watcher;
        EXPECT_FALSE(EnsureServiceRunsAutomatically(c.name));
        ASSERT_NO_FATAL_FAILURE(ExpectOneErrorBox(watcher, c.text));
    }
    EXPECT_EQ(static_cast<DWORD>(SERVICE_DEMAND_START), ReadServiceConfig(refusing.NameText()).startType);
}
