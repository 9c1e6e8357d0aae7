#include "support/installation_fixture.h"

#include <winsock2.h>
#include <shlobj.h>
#include <vector>

#include "base/bounded_text.h"
#include "base/install_settings.h"
#include "base/scoped_handle.h"
#include "base/setup_tools.h"
#include "formats/config/server_config.h"
#include "support/uninstall_entry_reader.h"
#include "system/certificates/certificate_import.h"

void RemoveProgramGroup()
{
    std::wstring group = ProgramGroupPath();
    for (const wchar_t* link : {L"Velmora.lnk", L"Brindleway Software Corp.lnk", L"Uninstall....lnk"})
        DeleteFileW((group + L"\\" + link).c_str());
    RemoveDirectoryW(group.c_str());
}

bool InstallServerService(const std::wstring& folder, const std::wstring& serviceName, DWORD startType)
{
    const std::wstring command = L"\"" + folder + L"\\Velmora.exe\" /start";
    if (!g_setupTools.InstallService(command.c_str(), serviceName.c_str(), L"Velmora (test)", L"t"))
        return false;
    UniqueServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    UniqueServiceHandle service(OpenServiceW(manager.Get(), serviceName.c_str(), SERVICE_CHANGE_CONFIG));
    return service && ChangeServiceConfigW(service.Get(), SERVICE_NO_CHANGE, startType, SERVICE_NO_CHANGE, nullptr,
                                           nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
}

std::wstring ProgramGroupPath()
{
    wchar_t programs[MAX_PATH] = {};
    SHGetSpecialFolderPathW(nullptr, programs, CSIDL_COMMON_PROGRAMS, FALSE);
    return std::wstring(programs) + L"\\Velmora Server";
}

InstallationFixture::InstallationFixture(const wchar_t* tag) : root_(tag)
{
    installDir_ = root_.Path() + L"\\Velmora";
    static int counter = 0;
    serviceName_ = L"VelmoraProgress" + std::to_wstring(GetCurrentProcessId()) + L"_" +
                   std::to_wstring(++counter);
}

InstallationFixture::~InstallationFixture()
{
    g_setupTools.ControlServiceAndWait(serviceName_.c_str(), true);
    g_setupTools.RemoveService(serviceName_.c_str());
    // The stopped server may hold its files for a moment.
    std::wstring server = installDir_ + L"\\Velmora.exe";
    for (int i = 0; i < 50 && g_setupTools.FindProcessByPath(server.c_str()); ++i)
        Sleep(100);
    RemoveProgramGroup();
    UninstallEntryReader(serviceName_).Delete();
    g_settings = InstallSettings();
    g_serverConfig.Clear();
}

void InstallationFixture::PrepareSettings() const
{
    g_settings = InstallSettings();
    g_serverConfig.Clear();
    CopyText(g_settings.service_name, serviceName_.c_str());
    CopyText(g_settings.install_dir, installDir_.c_str());
    CopyText(g_settings.domain_name, L"localhost");
    CopyText(g_settings.domain_name_ansi, "localhost");
    g_settings.server_address.sin_family = AF_INET;
    g_settings.server_address.sin_port = htons(443);
    CopyText(g_settings.admin_name, L"Ann");
    CopyText(g_settings.admin_surname, L"Lee");
    CopyText(g_settings.admin_login, L"Ann Lee");
    std::string pfx = ReadWholeFile(L"Z:" VELMORA_CERTIFICATES_DIR L"/default_server.pfx");
    std::vector<BYTE> bytes(pfx.begin(), pfx.end());
    DWORD length = 20;
    ImportServerCertificate(bytes.data(), static_cast<DWORD>(bytes.size()), L"",
                            g_settings.cert_thumbprint, &length, L"MY");
}

bool InstallationFixture::InstallDirExists() const
{
    return GetFileAttributesW(installDir_.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool InstallationFixture::ServiceExists() const
{
    return g_setupTools.ServiceExists(serviceName_.c_str());
}
