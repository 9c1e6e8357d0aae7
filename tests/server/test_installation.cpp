#include "server/test_installation.h"

#include <winsock2.h>

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

bool DeleteCopiesLeftInTemp()
{
    // Each copy sits in a folder of its own, left for the next restart to delete; the copy
    // may still be ending.
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((std::wstring(temp) + L"velmora-uninstall-*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    bool deleted = true;
    do {
        const std::wstring folder = std::wstring(temp) + found.cFileName;
        const std::wstring copy = folder + L"\\uninstall.exe";
        deleted = WaitUntil([&] { return !PathExists(copy) || DeleteFileW(copy.c_str()); }) &&
                  RemoveDirectoryW(folder.c_str()) && deleted;
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return deleted;
}

TestInstallation::TestInstallation(const wchar_t* tag, const std::string& config)
    : folder_((std::wstring(L"Test ") + tag).c_str()),
      // The folder's unique tail makes the service's name unique too.
      serviceName_(L"VelmoraTest" + Folder().substr(Folder().rfind(tag))),
      entry_(serviceName_)
{
    for (const wchar_t* name : {L"Velmora.exe", L"uninstall.exe"})
        if (!CopyFileW((PayloadFolder() + L"\\" + name).c_str(), folder_.File(name).c_str(), FALSE))
            return;
    if (!CreateDirectoryW(folder_.File(L"config").c_str(), nullptr) ||
        (!config.empty() && !WriteWholeFile(folder_.File(L"config\\velmora.cfg"), config)))
        return;
    UniqueServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    std::wstring command = L"\"" + ServerPath() + L"\" /start";
    UniqueServiceHandle service(CreateServiceW(manager.Get(), serviceName_.c_str(), serviceName_.c_str(),
                                               SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
                                               SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL, command.c_str(),
                                               nullptr, nullptr, nullptr, nullptr, nullptr));
    ready_ = service.IsValid() && WriteUninstallEntry(serviceName_.c_str(), Folder().c_str(), 1);
}

TestInstallation::~TestInstallation()
{
    StopAndWait();
    if (UniqueServiceHandle service = OpenOwnService())
        DeleteService(service.Get());
    entry_.Delete();
    // The server's process may hold its file for a moment after it reported stopped.
    std::wstring server = ServerPath();
    WaitUntil([&] { return !PathExists(server) || DeleteFileW(server.c_str()); }, 5000);
}

UniqueServiceHandle TestInstallation::OpenOwnService() const
{
    UniqueServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    return UniqueServiceHandle(OpenServiceW(manager.Get(), serviceName_.c_str(), SERVICE_ALL_ACCESS));
}

bool TestInstallation::StartAndWaitReady(DWORD timeoutMs)
{
    wchar_t name[kServerReadyEventNameLength + 1];
    if (!ServerReadyEventName(Folder().c_str(), name, kServerReadyEventNameLength + 1))
        return false;
    UniqueHandle event(CreateEventW(nullptr, TRUE, FALSE, name));
    UniqueServiceHandle service = OpenOwnService();
    return event && service && StartServiceW(service.Get(), 0, nullptr) &&
           WaitForSingleObject(event.Get(), timeoutMs) == WAIT_OBJECT_0;
}

SERVICE_STATUS_PROCESS TestInstallation::Status() const
{
    SERVICE_STATUS_PROCESS status = {};
    UniqueServiceHandle service = OpenOwnService();
    DWORD needed = 0;
    if (!service || !QueryServiceStatusEx(service.Get(), SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status),
                                          sizeof(status), &needed))
        status = SERVICE_STATUS_PROCESS{};
    return status;
}

bool TestInstallation::StopAndWait()
{
    return g_setupTools.ControlServiceAndWait(serviceName_.c_str(), true) == SERVICE_STOPPED;
}
