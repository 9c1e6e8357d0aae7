// Finding a running process by the path of its executable.
#include <gtest/gtest.h>

#include <string>

#include "base/setup_tools.h"
#include "services/service_test_support.h"
#include "support/wait_until.h"

TEST(ProcessSearch, FindsTheChildByItsWholePathInAnyCase)
{
    // A child that idles until the test ends it.
    std::wstring executable = PathBesideTests(L"service_fixture.exe");
    std::wstring commandLine = L"\"" + executable + L"\" idle";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION child = {};
    ASSERT_TRUE(CreateProcessW(executable.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &child));
    // Its modules are listed once it has been initialised; wait for that, not for a time.
    WaitUntil([&] { return g_setupTools.FindProcessByPath(executable.c_str()) == child.dwProcessId; }, 10000);

    std::wstring otherCase = executable;
    for (wchar_t& c : otherCase)
        IsCharUpperW(c) ? CharLowerBuffW(&c, 1) : CharUpperBuffW(&c, 1);
    EXPECT_NE(executable, otherCase);
    EXPECT_EQ(child.dwProcessId, g_setupTools.FindProcessByPath(otherCase.c_str()));
    // Only the whole path matches.
    EXPECT_EQ(0u, g_setupTools.FindProcessByPath(executable.substr(0, executable.size() - 4).c_str()));
    EXPECT_EQ(0u, g_setupTools.FindProcessByPath(PathBesideTests(L"not_running.exe").c_str()));

    TerminateProcess(child.hProcess, 0);
    WaitForSingleObject(child.hProcess, 5000);
    CloseHandle(child.hProcess);
    CloseHandle(child.hThread);
}
