// Switching a service to automatic start and removing services. What both do for a
// missing service or no name is shown with the other calls in ServiceControl.
#include <gtest/gtest.h>

#include "base/setup_tools.h"
#include "services/service_test_support.h"
#include "support/message_box_watcher.h"

TEST(ServiceAutoStart, SwitchesDemandStartToAutomaticAndNothingElse)
{
    TestService service(FixtureCommandLine(L"hint=50"));
    ASSERT_TRUE(service.Created());
    ServiceConfig before = ReadServiceConfig(service.NameText());
    ASSERT_EQ(static_cast<DWORD>(SERVICE_DEMAND_START), before.startType);

    MessageBoxWatcher watcher;
    EXPECT_TRUE(g_setupTools.SetServiceAutoStart(service.Name()));

    ServiceConfig after = ReadServiceConfig(service.NameText());
    EXPECT_EQ(static_cast<DWORD>(SERVICE_AUTO_START), after.startType);
    EXPECT_EQ(before.serviceType, after.serviceType);
    EXPECT_EQ(before.errorControl, after.errorControl);
    EXPECT_EQ(before.binaryPath, after.binaryPath);
    EXPECT_EQ(before.displayName, after.displayName);
    EXPECT_EQ(before.account, after.account);
    EXPECT_TRUE(watcher.Seen().empty());
}

TEST(ServiceRemoval, RemovesStoppedOrRunningService)
{
    for (bool running : {false, true}) {
        SCOPED_TRACE(running ? "running" : "stopped");
        TestService service(FixtureCommandLine(L"hint=300"));
        ASSERT_TRUE(service.Created());
        ASSERT_TRUE(!running || service.StartAndWaitRunning());

        MessageBoxWatcher watcher;
        DWORD start = GetTickCount();
        EXPECT_TRUE(g_setupTools.RemoveService(service.Name()));
        EXPECT_TRUE(watcher.Seen().empty());
        if (running) {
            // One pause for the hint that the stop control returned; the manager lets the
            // service go once its process has ended.
            EXPECT_GE(GetTickCount() - start, 300u);
            for (DWORD waited = GetTickCount(); g_setupTools.ServiceExists(service.Name()) && GetTickCount() - waited < 10000;)
                Sleep(50);
        }
        EXPECT_FALSE(g_setupTools.ServiceExists(service.Name()));
    }
}
