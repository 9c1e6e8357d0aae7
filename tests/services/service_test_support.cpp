#include "services/service_test_support.h"

#include <gtest/gtest.h>

#include <vector>

#include "app/scoped_handle.h"
#include "support/message_box_watcher.h"

namespace {

UniqueServiceHandle OpenManager()
{
    return UniqueServiceHandle(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
}

std::wstring TextOrEmpty(const wchar_t* text)
{
    return text ? std::wstring(text) : std::wstring();
}

// Dependencies are a list of strings, each terminated, ending with an empty one.
std::wstring JoinedList(const wchar_t* list)
{
    std::wstring joined;
    for (const wchar_t* item = list; item && *item; item += wcslen(item) + 1) {
        if (!joined.empty())
            joined += L'|';
        joined += item;
    }
    return joined;
}

} // namespace

std::wstring PathBesideTests(const wchar_t* fileName)
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    folder.resize(folder.find_last_of(L'\\') + 1);
    return folder + fileName;
}

std::wstring FixtureCommandLine(const wchar_t* options)
{
    std::wstring line = L"\"" + PathBesideTests(L"service_fixture.exe") + L"\"";
    if (options && *options)
        line += std::wstring(L" ") + options;
    return line;
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
    UniqueServiceHandle manager = OpenManager();
    UniqueServiceHandle service(OpenServiceW(manager.Get(), name.c_str(), SERVICE_QUERY_STATUS));
    SERVICE_STATUS status = {};
    if (!service || !QueryServiceStatus(service.Get(), &status))
        return 0;
    return status.dwCurrentState;
}

bool WaitForServiceState(const std::wstring& name, DWORD state, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    while (ReadServiceState(name) != state) {
        if (GetTickCount() - start > timeoutMs)
            return false;
        Sleep(20);
    }
    return true;
}

void RemoveTestService(const std::wstring& name)
{
    {
        UniqueServiceHandle manager = OpenManager();
        UniqueServiceHandle service(OpenServiceW(manager.Get(), name.c_str(), SERVICE_ALL_ACCESS));
        if (!service)
            return;
        // Whatever state a test left it in, it should come to a stop within seconds.
        DWORD start = GetTickCount();
        SERVICE_STATUS status = {};
        while (QueryServiceStatus(service.Get(), &status) && status.dwCurrentState != SERVICE_STOPPED &&
               GetTickCount() - start < 20000) {
            if (status.dwCurrentState == SERVICE_RUNNING)
                ControlService(service.Get(), SERVICE_CONTROL_STOP, &status);
            Sleep(50);
        }
        DeleteService(service.Get());
    }
    DWORD start = GetTickCount();
    for (;;) {
        UniqueServiceHandle manager = OpenManager();
        UniqueServiceHandle service(OpenServiceW(manager.Get(), name.c_str(), SERVICE_QUERY_STATUS));
        if (!service || GetTickCount() - start > 10000)
            return;
        Sleep(50);
    }
}

ServiceConfig ReadServiceConfig(const std::wstring& name)
{
    ServiceConfig result;
    UniqueServiceHandle manager = OpenManager();
    UniqueServiceHandle service(OpenServiceW(manager.Get(), name.c_str(), SERVICE_QUERY_CONFIG));
    if (!service)
        return result;
    DWORD needed = 0;
    QueryServiceConfigW(service.Get(), nullptr, 0, &needed);
    std::vector<DWORD> buffer(needed / sizeof(DWORD) + 1);
    auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer.data());
    if (!QueryServiceConfigW(service.Get(), config, static_cast<DWORD>(buffer.size() * sizeof(DWORD)), &needed))
        return result;
    result.read = true;
    result.serviceType = config->dwServiceType;
    result.startType = config->dwStartType;
    result.errorControl = config->dwErrorControl;
    result.tagId = config->dwTagId;
    result.binaryPath = TextOrEmpty(config->lpBinaryPathName);
    result.loadOrderGroup = TextOrEmpty(config->lpLoadOrderGroup);
    result.dependencies = JoinedList(config->lpDependencies);
    result.account = TextOrEmpty(config->lpServiceStartName);
    result.displayName = TextOrEmpty(config->lpDisplayName);
    return result;
}

std::wstring ReadServiceDescription(const std::wstring& name)
{
    UniqueServiceHandle manager = OpenManager();
    UniqueServiceHandle service(OpenServiceW(manager.Get(), name.c_str(), SERVICE_QUERY_CONFIG));
    std::vector<DWORD> buffer(1024);
    auto* description = reinterpret_cast<SERVICE_DESCRIPTIONW*>(buffer.data());
    DWORD needed = 0;
    if (!service || !QueryServiceConfig2W(service.Get(), SERVICE_CONFIG_DESCRIPTION,
                                          reinterpret_cast<BYTE*>(description),
                                          static_cast<DWORD>(buffer.size() * sizeof(DWORD)), &needed))
        return L"(unreadable)";
    return TextOrEmpty(description->lpDescription);
}

TestService::TestService(const std::wstring& binaryPath, DWORD startType, const wchar_t* displayName)
    : name_(UniqueServiceName())
{
    UniqueServiceHandle manager = OpenManager();
    UniqueServiceHandle service(CreateServiceW(manager.Get(), name_.c_str(),
                                               displayName ? displayName : name_.c_str(), SERVICE_ALL_ACCESS,
                                               SERVICE_WIN32_OWN_PROCESS, startType, SERVICE_ERROR_IGNORE,
                                               binaryPath.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
    created_ = service.IsValid();
}

TestService::~TestService()
{
    RemoveTestService(name_);
}

bool TestService::StartAndWaitRunning()
{
    {
        UniqueServiceHandle manager = OpenManager();
        UniqueServiceHandle service(OpenServiceW(manager.Get(), name_.c_str(), SERVICE_START));
        if (!service || !StartServiceW(service.Get(), 0, nullptr))
            return false;
    }
    return WaitForServiceState(name_, SERVICE_RUNNING, 15000);
}

std::wstring Trimmed(const std::wstring& text)
{
    size_t end = text.find_last_not_of(L" \r\n\t");
    return end == std::wstring::npos ? std::wstring() : text.substr(0, end + 1);
}

std::wstring SystemErrorText(DWORD error)
{
    wchar_t text[512] = {};
    FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                   MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text, 512, nullptr);
    return Trimmed(text);
}

void ExpectSystemErrorBox(const SeenMessageBox& box, DWORD error)
{
    EXPECT_EQ(SystemErrorText(error), Trimmed(box.text));
    EXPECT_EQ(L"Velmora Server Setup", box.title);
    EXPECT_EQ(LoadIconW(nullptr, IDI_ERROR), box.icon);
    EXPECT_EQ(nullptr, box.owner);
}
