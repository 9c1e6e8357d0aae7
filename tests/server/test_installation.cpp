#include "server/test_installation.h"

#include <winsock2.h>

#include "base/scoped_handle.h"
#include "base/setup_tools.h"
#include "formats/digest/ready_event_name.h"
#include "support/socket_helpers.h"
#include "system/uninstall/uninstall_entry.h"

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
    ScopedWinsock winsock;
    SOCKET probe = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    int length = sizeof(address);
    unsigned short port = 0;
    if (bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
        getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    closesocket(probe);
    return port;
}

std::set<std::wstring> MovedUninstallerFolders()
{
    wchar_t windows[MAX_PATH] = {};
    GetSystemWindowsDirectoryW(windows, MAX_PATH);
    const std::wstring temp = windows + std::wstring(L"\\Temp\\");
    std::set<std::wstring> folders;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((temp + L"velmora-uninstall-*").c_str(), &found);
    for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &found))
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            folders.insert(temp + found.cFileName);
    if (search != INVALID_HANDLE_VALUE)
        FindClose(search);
    return folders;
}

bool DeleteMovedUninstallers()
{
    const std::set<std::wstring> folders = MovedUninstallerFolders();
    bool deleted = !folders.empty();
    for (const std::wstring& folder : folders) {
        // The uninstaller may still be ending.
        const std::wstring image = folder + L"\\uninstall.exe";
        deleted = WaitUntil([&] { return !PathExists(image) || DeleteFileW(image.c_str()); }) &&
                  RemoveDirectoryW(folder.c_str()) && deleted;
    }
    return deleted;
}

TestInstallation::TestInstallation(const wchar_t* tag, const std::string& config)
    : InstallationFixture((std::wstring(L"Test ") + tag).c_str())
{
    if (!CreateDirectoryW(Folder().c_str(), nullptr) || !CreateDirectoryW((Folder() + L"\\config").c_str(), nullptr))
        return;
    for (const wchar_t* name : {L"Velmora.exe", L"uninstall.exe"})
        if (!CopyFileW((PayloadFolder() + L"\\" + name).c_str(), (Folder() + L"\\" + name).c_str(), FALSE))
            return;
    if (!config.empty() && !WriteWholeFile(Folder() + L"\\config\\velmora.cfg", config))
        return;
    UniqueServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    std::wstring command = L"\"" + ServerPath() + L"\" /start";
    UniqueServiceHandle service(CreateServiceW(manager.Get(), ServiceName().c_str(), ServiceName().c_str(),
                                               SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
                                               SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL, command.c_str(),
                                               nullptr, nullptr, nullptr, nullptr, nullptr));
    ready_ = service.IsValid() && WriteUninstallEntry(ServiceName().c_str(), Folder().c_str(), 1);
}

bool TestInstallation::Start(UniqueHandle& ready) const
{
    wchar_t name[kServerReadyEventNameLength + 1];
    if (!ServerReadyEventName(Folder().c_str(), name, kServerReadyEventNameLength + 1))
        return false;
    ready = UniqueHandle(CreateEventW(nullptr, TRUE, FALSE, name));
    UniqueServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    UniqueServiceHandle service(OpenServiceW(manager.Get(), ServiceName().c_str(), SERVICE_START));
    return ready && service && StartServiceW(service.Get(), 0, nullptr);
}

bool TestInstallation::StartAndWaitReady() const
{
    UniqueHandle ready;
    return Start(ready) && WaitForSingleObject(ready.Get(), 30000) == WAIT_OBJECT_0;
}

SERVICE_STATUS_PROCESS TestInstallation::Status() const
{
    SERVICE_STATUS_PROCESS status = {};
    UniqueServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    UniqueServiceHandle service(OpenServiceW(manager.Get(), ServiceName().c_str(), SERVICE_QUERY_STATUS));
    DWORD needed = 0;
    if (!service || !QueryServiceStatusEx(service.Get(), SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status),
                                          sizeof(status), &needed))
        status = SERVICE_STATUS_PROCESS{};
    return status;
}
