#include "support/machine_state.h"

#include <winsock2.h>
#include <windows.h>
#include <wincrypt.h>
#include <shlobj.h>
#include <wchar.h>

#include <algorithm>

#include "support/installation_fixture.h"
#include "support/temp_folder.h"
#include "system/http/ssl_binding.h"

namespace {

using Lines = std::vector<std::wstring>;

// The SHA-1 hash of encoded bytes, in hex.
std::wstring Thumbprint(const BYTE* bytes, DWORD size)
{
    BYTE hash[20] = {};
    DWORD length = sizeof(hash);
    CryptHashCertificate(0, CALG_SHA1, 0, bytes, size, hash, &length);
    std::wstring text;
    for (BYTE b : hash) {
        wchar_t pair[3];
        wsprintfW(pair, L"%02X", b);
        text += pair;
    }
    return text;
}

void AddStore(Lines& lines, const wchar_t* name)
{
    HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, name);
    PCCERT_CONTEXT certificate = nullptr;
    while (store && (certificate = CertEnumCertificatesInStore(store, certificate)))
        lines.push_back(std::wstring(name) + L" " + Thumbprint(certificate->pbCertEncoded, certificate->cbCertEncoded));
    PCCTL_CONTEXT list = nullptr;
    while (store && (list = CertEnumCTLsInStore(store, list)))
        lines.push_back(std::wstring(name) + L" list " + Thumbprint(list->pbCtlEncoded, list->cbCtlEncoded));
    if (store)
        CertCloseStore(store, 0);
}

// Whether the setup's or the tests' service runs; Wine starts its own on demand.
const wchar_t* RunningMark(const ENUM_SERVICE_STATUSW& service)
{
    const bool ours = wcsncmp(service.lpServiceName, L"Velmora", 7) == 0;
    return ours && service.ServiceStatus.dwCurrentState == SERVICE_RUNNING ? L" running" : L"";
}

void AddServices(Lines& lines)
{
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ENUMERATE_SERVICE);
    std::vector<BYTE> buffer(256 * 1024);
    DWORD needed = 0, count = 0, resume = 0;
    if (manager && EnumServicesStatusW(manager, SERVICE_WIN32, SERVICE_STATE_ALL,
                                       reinterpret_cast<ENUM_SERVICE_STATUSW*>(buffer.data()),
                                       static_cast<DWORD>(buffer.size()), &needed, &count, &resume)) {
        const auto* services = reinterpret_cast<const ENUM_SERVICE_STATUSW*>(buffer.data());
        for (DWORD i = 0; i < count; ++i)
            if (wcsncmp(services[i].lpServiceName, L"Winedevice", 10) != 0)
                lines.push_back(std::wstring(L"service ") + services[i].lpServiceName + RunningMark(services[i]));
    }
    if (manager)
        CloseServiceHandle(manager);
}

std::wstring InstallLocation(HKEY uninstall, const wchar_t* entry)
{
    HKEY key = nullptr;
    wchar_t folder[MAX_PATH] = {};
    DWORD size = sizeof(folder) - sizeof(wchar_t);
    if (RegOpenKeyExW(uninstall, entry, 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
        RegQueryValueExW(key, L"InstallLocation", nullptr, nullptr, reinterpret_cast<BYTE*>(folder), &size);
        RegCloseKey(key);
    }
    return folder;
}

void AddUninstallEntries(Lines& lines)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall", 0,
                      KEY_ENUMERATE_SUB_KEYS, &key) != ERROR_SUCCESS)
        return;
    wchar_t name[256];
    DWORD length = 256;
    for (DWORD i = 0; RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
         ++i, length = 256)
        lines.push_back(std::wstring(L"uninstall ") + name + L" " + InstallLocation(key, name));
    RegCloseKey(key);
}

} // namespace

std::vector<std::wstring> ListTree(const std::wstring& folder, const std::wstring& prefix)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &data);
    for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &data)) {
        std::wstring name = data.cFileName;
        if (name == L"." || name == L"..")
            continue;
        bool isFolder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        names.push_back(prefix + name + (isFolder ? L"\\" : L""));
        if (isFolder) {
            std::vector<std::wstring> below = ListTree(folder + L"\\" + name, names.back());
            names.insert(names.end(), below.begin(), below.end());
        }
    }
    if (search != INVALID_HANDLE_VALUE)
        FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::wstring> MachineState(const std::wstring& folder)
{
    Lines lines;
    for (const std::wstring& name : ListTree(folder))
        lines.push_back(L"file " + name);
    AddServices(lines);
    AddUninstallEntries(lines);
    for (const wchar_t* store : {L"MY", L"Root", L"CA"})
        AddStore(lines, store);
    for (const std::wstring& name : ListTree(ProgramGroupPath()))
        lines.push_back(L"group " + name);
    // The endpoints the setup binds, as HTTP.sys gives their bindings back.
    for (const wchar_t* address : {L"0.0.0.0", L"127.0.0.1"}) {
        SavedSslBinding binding;
        BYTE bytes[kSslBindingBytesCapacity];
        DWORD size = 0;
        if (!SaveSslBinding(address, binding))
            lines.push_back(std::wstring(L"binding ") + address + L" unreadable");
        else if (!binding.Empty() && SerializeSslBinding(binding, bytes, sizeof(bytes), &size))
            lines.push_back(std::wstring(L"binding ") + address + L" " + std::wstring(bytes, bytes + size));
    }
    wchar_t system[MAX_PATH] = {};
    SHGetSpecialFolderPathW(nullptr, system, CSIDL_SYSTEM, FALSE);
    std::string hosts = ReadWholeFile(std::wstring(system) + L"\\drivers\\etc\\hosts");
    lines.push_back(L"hosts " + std::wstring(hosts.begin(), hosts.end()));
    return lines;
}

std::wstring MachineDifference(const std::vector<std::wstring>& before, const std::vector<std::wstring>& after)
{
    std::wstring change;
    for (const std::wstring& line : before)
        if (std::find(after.begin(), after.end(), line) == after.end())
            change += L"-" + line + L"\n";
    for (const std::wstring& line : after)
        if (std::find(before.begin(), before.end(), line) == before.end())
            change += L"+" + line + L"\n";
    return change;
}
