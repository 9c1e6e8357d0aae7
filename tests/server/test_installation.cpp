#include "server/test_installation.h"

#include <winsock2.h>
#include <sddl.h>
#include <shellapi.h>

#include "app/scoped_handle.h"
#include "server/ready_event_name.h"

namespace {

bool CopyFromPayload(const std::wstring& folder, const wchar_t* name)
{
    return CopyFileW((PayloadFolder() + L"\\" + name).c_str(), (folder + L"\\" + name).c_str(), FALSE) != 0;
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes)
{
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    return file && WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

}  // namespace

std::wstring MakeTempFolder(const std::wstring& prefix)
{
    static LONG counter = 0;
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    std::wstring folder = temp + prefix + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                          std::to_wstring(GetTickCount()) + L"-" + std::to_wstring(InterlockedIncrement(&counter));
    return CreateDirectoryW(folder.c_str(), nullptr) ? folder : std::wstring();
}

bool RemoveTree(const std::wstring& folder)
{
    std::wstring from = folder + L'\0';
    SHFILEOPSTRUCTW operation = {};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
    SHFileOperationW(&operation);
    return !PathExists(folder);
}

std::wstring PayloadFolder()
{
    // Wine shows the Linux root as drive Z:.
    std::wstring folder = L"Z:";
    for (const char* c = VELMORA_PAYLOAD_DIR; *c; ++c)
        folder += *c == '/' ? L'\\' : static_cast<wchar_t>(*c);
    return folder;
}

unsigned short FreeLoopbackPort()
{
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0)
        return 0;
    SOCKET probe = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    int length = sizeof(address);
    unsigned short port = 0;
    if (bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
        getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    closesocket(probe);
    WSACleanup();
    return port;
}

bool PathExists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

int RunAndWait(const std::wstring& commandLine, DWORD timeoutMs)
{
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    std::wstring line = commandLine;
    if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return -1;
    UniqueHandle processHolder(process.hProcess), thread(process.hThread);
    if (WaitForSingleObject(process.hProcess, timeoutMs) != WAIT_OBJECT_0)
        return -1;
    DWORD exitCode = 0;
    GetExitCodeProcess(process.hProcess, &exitCode);
    return static_cast<int>(exitCode);
}

TestInstallation::TestInstallation(const wchar_t* tag, const std::string& config)
    : folder_(MakeTempFolder(std::wstring(L"Velmora Test ") + tag)), ready_(false)
{
    if (folder_.empty())
        return;
    // The folder's unique tail makes the service's name unique too.
    serviceName_ = std::wstring(L"VelmoraTest") + folder_.substr(folder_.rfind(tag));
    if (!CreateDirectoryW((folder_ + L"\\config").c_str(), nullptr))
        return;
    if (!CopyFromPayload(folder_, L"Velmora.exe") || !CopyFromPayload(folder_, L"uninstall.exe"))
        return;
    if (!config.empty() && !WriteFileBytes(folder_ + L"\\config\\velmora.cfg", config))
        return;

    UniqueServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    std::wstring command = L"\"" + ServerPath() + L"\" /start";
    UniqueServiceHandle service(CreateServiceW(manager.Get(), serviceName_.c_str(), serviceName_.c_str(),
                                               SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
                                               SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL, command.c_str(),
                                               nullptr, nullptr, nullptr, nullptr, nullptr));
    ready_ = service.IsValid();
}

TestInstallation::~TestInstallation()
{
    UniqueServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    UniqueServiceHandle service(OpenServiceW(manager.Get(), serviceName_.c_str(), SERVICE_ALL_ACCESS));
    if (service) {
        SERVICE_STATUS status = {};
        if (ControlService(service.Get(), SERVICE_CONTROL_STOP, &status))
            WaitForState(SERVICE_STOPPED, 20000);
        DeleteService(service.Get());
    }
    // The server's process may hold its file for a moment after it reported stopped.
    for (int attempt = 0; attempt < 20 && !folder_.empty() && !RemoveTree(folder_); ++attempt)
        Sleep(250);
}

HANDLE TestInstallation::CreateReadyEvent() const
{
    wchar_t name[kServerReadyEventNameLength + 1];
    if (!ServerReadyEventName(folder_.c_str(), name, kServerReadyEventNameLength + 1))
        return nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:(A;OICI;GA;;;WD)", SDDL_REVISION_1,
                                                              &descriptor, nullptr))
        return nullptr;
    UniqueLocalMemory descriptorHolder(descriptor);
    SECURITY_ATTRIBUTES attributes = {sizeof(attributes), descriptor, FALSE};
    return CreateEventW(&attributes, TRUE, FALSE, name);
}

bool TestInstallation::StartAndWaitReady(DWORD timeoutMs)
{
    UniqueHandle event(CreateReadyEvent());
    if (!event)
        return false;
    UniqueServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    UniqueServiceHandle service(OpenServiceW(manager.Get(), serviceName_.c_str(), SERVICE_ALL_ACCESS));
    if (!service || !StartServiceW(service.Get(), 0, nullptr))
        return false;
    return WaitForSingleObject(event.Get(), timeoutMs) == WAIT_OBJECT_0;
}

SERVICE_STATUS_PROCESS TestInstallation::Status() const
{
    SERVICE_STATUS_PROCESS status = {};
    UniqueServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    UniqueServiceHandle service(OpenServiceW(manager.Get(), serviceName_.c_str(), SERVICE_ALL_ACCESS));
    DWORD needed = 0;
    if (!service || !QueryServiceStatusEx(service.Get(), SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status),
                                          sizeof(status), &needed))
        status = SERVICE_STATUS_PROCESS{};
    return status;
}

bool TestInstallation::WaitForState(DWORD state, DWORD timeoutMs) const
{
    DWORD start = GetTickCount();
    while (Status().dwCurrentState != state) {
        if (GetTickCount() - start > timeoutMs)
            return false;
        Sleep(50);
    }
    return true;
}

bool TestInstallation::StopAndWait(DWORD timeoutMs)
{
    UniqueServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    UniqueServiceHandle service(OpenServiceW(manager.Get(), serviceName_.c_str(), SERVICE_ALL_ACCESS));
    SERVICE_STATUS status = {};
    if (!service || !ControlService(service.Get(), SERVICE_CONTROL_STOP, &status))
        return false;
    return WaitForState(SERVICE_STOPPED, timeoutMs);
}
