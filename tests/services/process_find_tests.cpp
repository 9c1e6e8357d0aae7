// Finding a running process by the path of its executable.
#include <gtest/gtest.h>

#include <string>

#include "app/scoped_handle.h"
#include "app/setup_tools.h"
#include "services/service_test_support.h"

namespace {

std::wstring SwappedCase(std::wstring text)
{
    for (wchar_t& c : text) {
        if (IsCharUpperW(c))
            CharLowerBuffW(&c, 1);
        else
            CharUpperBuffW(&c, 1);
    }
    return text;
}

// A child process that idles until the test ends it.
class IdleChild
{
public:
    explicit IdleChild(const std::wstring& executable)
    {
        std::wstring commandLine = L"\"" + executable + L"\" idle";
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION info = {};
        if (CreateProcessW(executable.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                           &startup, &info)) {
            process_.Reset(info.hProcess);
            CloseHandle(info.hThread);
            id_ = info.dwProcessId;
            // Its modules are listed once it has been initialised.
            WaitForInputIdle(info.hProcess, 2000);
            Sleep(200);
        }
    }
    ~IdleChild()
    {
        if (process_) {
            TerminateProcess(process_.Get(), 0);
            WaitForSingleObject(process_.Get(), 5000);
        }
    }
    DWORD Id() const { return id_; }

private:
    UniqueHandle process_;
    DWORD id_ = 0;
};

} // namespace

TEST(ProcessSearch, FindsChildWhosePathDiffersOnlyInCase)
{
    std::wstring executable = PathBesideTests(L"service_fixture.exe");
    IdleChild child(executable);
    ASSERT_NE(0u, child.Id());
    std::wstring otherCase = SwappedCase(executable);
    ASSERT_NE(executable, otherCase);
    EXPECT_EQ(child.Id(), g_setupTools.FindProcessByPath(otherCase.c_str()));
    EXPECT_EQ(child.Id(), g_setupTools.FindProcessByPath(executable.c_str()));
}

TEST(ProcessSearch, FindsNothingForPathNotRunning)
{
    EXPECT_EQ(0u, g_setupTools.FindProcessByPath(PathBesideTests(L"not_running.exe").c_str()));
    std::wstring executable = PathBesideTests(L"service_fixture.exe");
    std::wstring prefix = executable.substr(0, executable.size() - 4);
    IdleChild child(executable);
    ASSERT_NE(0u, child.Id());
    // Only the whole path matches.
    EXPECT_EQ(0u, g_setupTools.FindProcessByPath(prefix.c_str()));
    EXPECT_EQ(0u, g_setupTools.FindProcessByPath(nullptr));
    EXPECT_EQ(0u, g_setupTools.FindProcessByPath(L""));
}
