// Finding a running process by the path of its executable.
#include <gtest/gtest.h>

#include <string>

#include "base/setup_tools.h"
#include "services/service_test_support.h"
#include "support/program_run.h"
#include "support/wait_until.h"

TEST(ProcessSearch, FindsTheChildByItsWholePathInAnyCase)
{
    // A child that idles until the run ends it, once the checks are done.
    std::wstring executable = PathBesideTests(L"service_fixture.exe");
    ProgramStart start{L"\"" + executable + L"\" idle"};
    start.timeoutMs = 0;
    start.whileRunning = [&](DWORD child) {
        // Its modules are listed once it has been initialised; wait for that, not for a time.
        WaitUntil([&] { return g_setupTools.FindProcessByPath(executable.c_str()) == child; }, 10000);
        std::wstring otherCase = executable;
        for (wchar_t& c : otherCase)
            IsCharUpperW(c) ? CharLowerBuffW(&c, 1) : CharUpperBuffW(&c, 1);
        EXPECT_NE(executable, otherCase);
        EXPECT_EQ(child, g_setupTools.FindProcessByPath(otherCase.c_str()));
        // Only the whole path matches.
        EXPECT_EQ(0u, g_setupTools.FindProcessByPath(executable.substr(0, executable.size() - 4).c_str()));
        EXPECT_EQ(0u, g_setupTools.FindProcessByPath(PathBesideTests(L"not_running.exe").c_str()));
    };
    EXPECT_NE(0u, RunProgram(start).processId);
}
