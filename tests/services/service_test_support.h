#pragma once
#include <windows.h>
#include <string>

#include "support/system_error_text.h"

class MessageBoxWatcher;

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

struct ServiceConfig
{
    bool read = false;
    DWORD serviceType = 0, startType = 0, errorControl = 0;
    std::wstring binaryPath, loadOrderGroupAndDependencies, account, displayName, description;
};
// The configuration and description as the manager holds them.
ServiceConfig ReadServiceConfig(const std::wstring& name);

// A service made for one test, demand-start, and removed when the test ends; one that
// cannot be made fails the test.
class TestService
{
public:
    explicit TestService(const std::wstring& binaryPath, const wchar_t* displayName = nullptr);
    ~TestService() { RemoveTestService(name_); }
    TestService(const TestService&) = delete;
    TestService& operator=(const TestService&) = delete;

    const wchar_t* Name() const { return name_.c_str(); }
    const std::wstring& NameText() const { return name_; }
    // Starts it and waits until it runs (true) or 15 seconds have passed.
    bool StartAndWaitRunning();

private:
    std::wstring name_;
};

// Checks that the watcher saw exactly one box: the setup's ownerless error box with `text`,
// compared without trailing blanks and line ends when `trimmed`.
void ExpectOneErrorBox(const MessageBoxWatcher& watcher, const std::wstring& text, bool trimmed = false);
