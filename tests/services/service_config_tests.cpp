// Switching a service to automatic start and removing services, with the error boxes
// that both show on failure.
#include <gtest/gtest.h>

#include "app/setup_tools.h"
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

TEST(ServiceAutoStart, MissingServiceShowsTheSystemError)
{
    std::wstring missing = UniqueServiceName();
    MessageBoxWatcher watcher;
    EXPECT_FALSE(g_setupTools.SetServiceAutoStart(missing.c_str()));
    EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST), GetLastError());
    auto seen = watcher.Seen();
    ASSERT_EQ(1u, seen.size());
    ExpectSystemErrorBox(seen[0], ERROR_SERVICE_DOES_NOT_EXIST);
}

TEST(ServiceRemoval, RemovesStoppedService)
{
    TestService service(FixtureCommandLine(L""));
    ASSERT_TRUE(service.Created());
    MessageBoxWatcher watcher;
    EXPECT_TRUE(g_setupTools.RemoveService(service.Name()));
    EXPECT_FALSE(g_setupTools.ServiceExists(service.Name()));
    EXPECT_TRUE(watcher.Seen().empty());
}

TEST(ServiceRemoval, StopsRunningServiceAndRemovesIt)
{
    TestService service(FixtureCommandLine(L"hint=300"));
    ASSERT_TRUE(service.Created());
    ASSERT_TRUE(service.StartAndWaitRunning());

    MessageBoxWatcher watcher;
    DWORD start = GetTickCount();
    EXPECT_TRUE(g_setupTools.RemoveService(service.Name()));
    // One pause for the hint that the stop control returned.
    EXPECT_GE(GetTickCount() - start, 300u);
    EXPECT_TRUE(watcher.Seen().empty());
    // The manager lets the service go once its process has ended.
    DWORD waited = GetTickCount();
    while (g_setupTools.ServiceExists(service.Name()) && GetTickCount() - waited < 10000)
        Sleep(50);
    EXPECT_FALSE(g_setupTools.ServiceExists(service.Name()));
}

TEST(ServiceRemoval, MissingServiceCountsAsRemoved)
{
    std::wstring missing = UniqueServiceName();
    MessageBoxWatcher watcher;
    EXPECT_TRUE(g_setupTools.RemoveService(missing.c_str()));
    EXPECT_TRUE(watcher.Seen().empty());
}

TEST(ServiceNames, NoNameFailsWithoutAMessage)
{
    const DWORD kUnknown = CSetupTools::kUnknownServiceState;
    MessageBoxWatcher watcher;
    for (const wchar_t* name : {static_cast<const wchar_t*>(nullptr), L""}) {
        EXPECT_FALSE(g_setupTools.SetServiceAutoStart(name));
        EXPECT_FALSE(g_setupTools.RemoveService(name));
        EXPECT_FALSE(g_setupTools.ServiceExists(name));
        EXPECT_EQ(kUnknown, g_setupTools.GetServiceState(name));
        EXPECT_EQ(kUnknown, g_setupTools.ControlServiceAndWait(name, false));
    }
    EXPECT_TRUE(watcher.Seen().empty());
}
