#include "services/service_test_support.h"

#include <gtest/gtest.h>

#include <vector>

#include "base/scoped_handle.h"
#include "support/message_box_watcher.h"
#include "support/wait_until.h"

namespace {

UniqueServiceHandle OpenTestService(const std::wstring& name, DWORD access)
{
    UniqueServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    return UniqueServiceHandle(OpenServiceW(manager.Get(), name.c_str(), access));
}

std::wstring TextOrEmpty(const wchar_t* text)
{
    return text ? std::wstring(text) : std::wstring();
}

} // namespace

std::wstring PathBesideTests(const wchar_t* fileName)
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    return folder.substr(0, folder.find_last_of(L'\\') + 1) + fileName;
}

std::wstring FixtureCommandLine(const wchar_t* options)
{
    std::wstring line = L"\"" + PathBesideTests(L"service_fixture.exe") + L"\"";
    return *options ? line + L" " + options : line;
}

std::wstring UniqueServiceName()
{
    static LONG counter = 0;
    wchar_t name[64] = {};
    swprintf(name, 64, L"VelmoraSvcTest_%lu_%ld", GetCurrentProcessId(), InterlockedIncrement(&counter));
    return name;
}

DWORD ReadServiceState(const std::wstring& name)
{
    UniqueServiceHandle service = OpenTestService(name, SERVICE_QUERY_STATUS);
    SERVICE_STATUS status = {};
    return service && QueryServiceStatus(service.Get(), &status) ? status.dwCurrentState : 0;
}

void RemoveTestService(const std::wstring& name)
{
    {
        UniqueServiceHandle service = OpenTestService(name, SERVICE_ALL_ACCESS);
        if (!service)
            return;
        // Whatever state a test left it in, it should come to a stop within seconds.
        WaitUntil([&] {
            SERVICE_STATUS status = {};
            if (!QueryServiceStatus(service.Get(), &status) || status.dwCurrentState == SERVICE_STOPPED)
                return true;
            if (status.dwCurrentState == SERVICE_RUNNING)
                ControlService(service.Get(), SERVICE_CONTROL_STOP, &status);
            return false;
        }, 20000);
        DeleteService(service.Get());
    }
    WaitUntil([&] { return !OpenTestService(name, SERVICE_QUERY_STATUS); }, 10000);
}

ServiceConfig ReadServiceConfig(const std::wstring& name)
{
    ServiceConfig result;
    UniqueServiceHandle service = OpenTestService(name, SERVICE_QUERY_CONFIG);
    DWORD needed = 0;
    QueryServiceConfigW(service.Get(), nullptr, 0, &needed);
    std::vector<DWORD> buffer(needed / sizeof(DWORD) + 1);
    auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer.data());
    if (!service || !QueryServiceConfigW(service.Get(), config, static_cast<DWORD>(buffer.size() * sizeof(DWORD)), &needed))
        return result;
    result = {true, config->dwServiceType, config->dwStartType, config->dwErrorControl,
              TextOrEmpty(config->lpBinaryPathName),
              // The dependencies' list starts with its first name, or ends at once.
              TextOrEmpty(config->lpLoadOrderGroup) + TextOrEmpty(config->lpDependencies),
              TextOrEmpty(config->lpServiceStartName), TextOrEmpty(config->lpDisplayName), L""};

    std::vector<DWORD> text(1024);
    auto* description = reinterpret_cast<SERVICE_DESCRIPTIONW*>(text.data());
    result.description = QueryServiceConfig2W(service.Get(), SERVICE_CONFIG_DESCRIPTION, reinterpret_cast<BYTE*>(description),
                                              static_cast<DWORD>(text.size() * sizeof(DWORD)), &needed)
                             ? TextOrEmpty(description->lpDescription) : L"(unreadable)";
    return result;
}

TestService::TestService(const std::wstring& binaryPath, const wchar_t* displayName) : name_(UniqueServiceName())
{
    UniqueServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    UniqueServiceHandle service(CreateServiceW(manager.Get(), name_.c_str(), displayName ? displayName : name_.c_str(),
                                               SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START,
                                               SERVICE_ERROR_IGNORE, binaryPath.c_str(), nullptr, nullptr, nullptr,
                                               nullptr, nullptr));
    if (!service.IsValid())
        ADD_FAILURE() << "the test service was not created, error " << GetLastError();
}

bool TestService::StartAndWaitRunning()
{
    return StartServiceW(OpenTestService(name_, SERVICE_START).Get(), 0, nullptr) &&
           WaitUntil([&] { return ReadServiceState(name_) == SERVICE_RUNNING; }, 15000);
}

void ExpectOneErrorBox(const MessageBoxWatcher& watcher, const std::wstring& text, bool trimmed)
{
    auto seen = watcher.Seen();
    ASSERT_EQ(1u, seen.size());
    EXPECT_EQ(text, trimmed ? TrimmedText(seen[0].text) : seen[0].text);
    EXPECT_EQ(L"Velmora Server Setup", seen[0].title);
    EXPECT_EQ(LoadIconW(nullptr, IDI_ERROR), seen[0].icon);
    EXPECT_EQ(nullptr, seen[0].owner);
}
