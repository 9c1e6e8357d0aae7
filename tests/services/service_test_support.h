#pragma once
#include <windows.h>
#include <string>

// Helpers of the service tests. They use the Service Control Manager directly, so that
// what they set up and check does not depend on the code under test.

// "<folder of the test program>\<fileName>".
std::wstring PathBesideTests(const wchar_t* fileName);
// The binary path of the fixture service: its quoted path, then `options`.
std::wstring FixtureCommandLine(const wchar_t* options);
// A service name that no other test, run or developer uses.
std::wstring UniqueServiceName();

// Stops the service when it runs, deletes it and waits until it is gone. Silent when
// there is no such service.
void RemoveTestService(const std::wstring& name);
// The current state, or 0 when the service cannot be read.
DWORD ReadServiceState(const std::wstring& name);
// Waits until the service is in `state` (true) or `timeoutMs` has passed (false).
bool WaitForServiceState(const std::wstring& name, DWORD state, DWORD timeoutMs);

struct ServiceConfig
{
    bool read = false;
    DWORD serviceType = 0;
    DWORD startType = 0;
    DWORD errorControl = 0;
    DWORD tagId = 0;
    std::wstring binaryPath;
    std::wstring loadOrderGroup;
    std::wstring dependencies;
    std::wstring account;
    std::wstring displayName;
};
ServiceConfig ReadServiceConfig(const std::wstring& name);
// The description, or "(unreadable)".
std::wstring ReadServiceDescription(const std::wstring& name);

// A service made for one test, demand-start unless told otherwise, and removed when the
// test ends.
class TestService
{
public:
    explicit TestService(const std::wstring& binaryPath, DWORD startType = SERVICE_DEMAND_START,
                         const wchar_t* displayName = nullptr);
    ~TestService();
    TestService(const TestService&) = delete;
    TestService& operator=(const TestService&) = delete;

    const wchar_t* Name() const { return name_.c_str(); }
    const std::wstring& NameText() const { return name_; }
    bool Created() const { return created_; }
    // Starts it and waits until it runs (true) or 15 seconds have passed.
    bool StartAndWaitRunning();

private:
    std::wstring name_;
    bool created_ = false;
};

// The system's text for a Win32 error as the error box shows it, without the line end.
std::wstring SystemErrorText(DWORD error);
// `text` without trailing blanks and line ends.
std::wstring Trimmed(const std::wstring& text);

struct SeenMessageBox;
// Checks that `box` is the ownerless error box of the system's text for `error`.
void ExpectSystemErrorBox(const SeenMessageBox& box, DWORD error);
