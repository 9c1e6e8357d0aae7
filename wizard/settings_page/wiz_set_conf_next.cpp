// The settings page's Next check.
#include "wizard/settings_page/wiz_set_conf.h"

#include "base/bounded_text.h"
#include "base/install_settings.h"
#include "base/message_ids.h"
#include "base/path_join.h"
#include "base/setup_tools.h"
#include "formats/language/language.h"
#include "resources/wizard_ids.h"
#include "system/certificates/certificate_import.h"
#include "wizard/page_message.h"
#include "wizard/settings_page/installed_version.h"
#include "wizard/settings_page/port_test.h"
#include "wizard/settings_page/volume_check.h"
#include "wizard/settings_text.h"

namespace {


bool FolderExists(const wchar_t* folder)
{
    DWORD attributes = GetFileAttributesW(folder);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FileExists(const wchar_t* path)
{
    DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Where Next leads once every check passed.
int NextPageAfterChecks()
{
    if (g_settings.domain_unresolved)
        return CPropertyPageImpl::kDefaultPage;
    if (g_settings.upgrade && !g_settings.force_auto)
        return IDD_WIZ_INSTALL;
    return IDD_WIZ_USERS;
}

} // namespace

int CWizSetConf::ValidateSettingsPage()
{
    wchar_t folder[MAX_PATH] = {};
    if (!ReadFields(folder, MAX_PATH))
        return kStayOnPage;
    RemoveTrailingSeparators(folder);
    if (!CheckVolume(folder))
        return kStayOnPage;
    CopyText(g_settings.install_dir, folder);

    // A folder too long to hold the server's executable cannot hold the server: the
    // installation would refuse its paths half-way.
    wchar_t executable[MAX_PATH] = {};
    if (!JoinPath(executable, folder, L"Velmora.exe")) {
        if (!g_settings.force_auto)
            ShowPageSystemError(Window(), MB_OK | MB_ICONERROR, ERROR_FILENAME_EXCED_RANGE);
        return kStayOnPage;
    }
    // Worked out afresh on every pass: another folder chosen after going back must not
    // keep an earlier folder's upgrade.
    g_settings.upgrade = FileExists(executable);
    if (g_settings.upgrade && !CheckInstalledVersion(Window(), executable, folder))
        return kStayOnPage;
    if (!CheckExistingFolder(folder))
        return kStayOnPage;
    if (!g_settings.saas_mode && !ImportCertificate())
        return kStayOnPage;

    LRESULT chosen = SendMessageW(address_box_.Window(), CB_GETCURSEL, 0, 0);
    size_t selection = chosen > 0 && static_cast<size_t>(chosen) < addresses_.count
                           ? static_cast<size_t>(chosen) : 0;
    AddressList resolved;
    bool resolves = ResolveHostAddresses(g_settings.domain_name_ansi, resolved);
    if (resolves && !g_settings.force_auto && !ConfirmDomainAddress(selection, resolved))
        return kStayOnPage;
    if (!g_settings.upgrade && !g_settings.force_auto && !ConfirmFreePorts(selection))
        return kStayOnPage;
    if (!CreateFolder(folder))
        return kStayOnPage;
    if (!g_settings.folder_confirmed)
        g_settings.folder_created = true;
    CopyText(settled_folder_, folder);

    ZeroMemory(&g_settings.server_address, sizeof(g_settings.server_address));
    g_settings.server_address.sin_family = AF_INET;
    g_settings.server_address.sin_port = htons(kServerPort);
    g_settings.server_address.sin_addr.s_addr = addresses_.entries[selection];
    g_settings.domain_unresolved = !resolves;
    return NextPageAfterChecks();
}

bool CWizSetConf::ReadFields(wchar_t* folder, size_t capacity)
{
    GetDlgItemTextW(Window(), IDC_INSTALL_DIR, folder, static_cast<int>(capacity));
    TrimBlanks(folder);
    SetDlgItemTextW(Window(), IDC_INSTALL_DIR, folder);
    GetDlgItemTextW(Window(), IDC_SERVICE_NAME, g_settings.service_name, 64);
    TrimBlanks(g_settings.service_name);
    SetDlgItemTextW(Window(), IDC_SERVICE_NAME, g_settings.service_name);
    if (!HasPathSeparator(g_settings.service_name))
        return true;
    if (!g_settings.force_auto)
        ShowPageMessage(Window(), MB_OK | MB_ICONWARNING, kSlashInServiceName);
    return false;
}

bool CWizSetConf::CheckVolume(const wchar_t* folder)
{
    wchar_t root[MAX_PATH] = {};
    GetDriveRoot(folder, root, MAX_PATH);
    VolumeVerdict verdict = CheckInstallVolume(root);
    if (verdict == VolumeVerdict::kUsable)
        return true;
    DWORD error = GetLastError();
    if (g_settings.force_auto)
        return false;
    if (verdict == VolumeVerdict::kFatVolume) {
        ShowPageMessage(Window(), MB_OK | MB_ICONWARNING, kFatVolume);
    } else if (verdict == VolumeVerdict::kFreeSpaceUnknown) {
        ShowPageSystemError(Window(), MB_OK | MB_ICONERROR, error);
    } else {
        // The disk is named without the root's backslash: "C:".
        size_t length = wcslen(root);
        if (length > 0)
            root[length - 1] = 0;
        ShowPageMessage(Window(), MB_OK | MB_ICONWARNING, kTooLittleSpace, root, kAskedFreeMegabytes);
    }
    return false;
}

bool CWizSetConf::CheckExistingFolder(const wchar_t* folder)
{
    // The question is settled once per folder: a folder confirmed or created on an
    // earlier pass is not asked about again, but another folder is.
    if (lstrcmpiW(folder, settled_folder_) != 0) {
        g_settings.folder_confirmed = false;
        g_settings.folder_created = false;
    }
    if (g_settings.upgrade || !FolderExists(folder) || g_settings.folder_confirmed ||
        g_settings.folder_created)
        return true;
    if (!g_settings.force_auto &&
        ShowPageMessage(Window(), MB_YESNO | MB_ICONWARNING, kFolderExists) != IDYES)
        return false;
    g_settings.folder_confirmed = true;
    CopyText(settled_folder_, folder);
    return true;
}

bool CWizSetConf::ImportCertificate()
{
    wchar_t password[MAX_PATH] = {};
    ReadPassword(password, MAX_PATH);
    DWORD hashLength = sizeof(g_settings.cert_thumbprint);
    DWORD error = ImportServerCertificate(certificate_.Data(), certificate_.Size(), password,
                                          g_settings.cert_thumbprint, &hashLength, L"MY");
    if (error != 0 && password[0] == 0) {
        hashLength = sizeof(g_settings.cert_thumbprint);
        error = ImportServerCertificate(certificate_.Data(), certificate_.Size(), nullptr,
                                        g_settings.cert_thumbprint, &hashLength, L"MY");
    }
    // A certificate without its thumbprint could not be bound to the server's address.
    if (error == 0 && hashLength != sizeof(g_settings.cert_thumbprint))
        error = ERROR_INVALID_DATA;
    if (error == 0)
        return true;
    ShowPageSystemError(Window(), MB_OK | MB_ICONERROR, error);
    return false;
}

void CWizSetConf::AddressText(size_t selection, const wchar_t* anyText, wchar_t* text,
                              size_t capacity) const
{
    if (selection == 0) {
        CopyText(text, capacity, anyText);
        return;
    }
    text[0] = 0;
    LRESULT length = SendMessageW(address_box_.Window(), CB_GETLBTEXTLEN, selection, 0);
    if (length >= 0 && static_cast<size_t>(length) < capacity)
        SendMessageW(address_box_.Window(), CB_GETLBTEXT, selection, reinterpret_cast<LPARAM>(text));
}

bool CWizSetConf::ConfirmDomainAddress(size_t selection, const AddressList& resolved)
{
    if (AddressesMatch(addresses_, selection, resolved))
        return true;
    wchar_t address[64] = {};
    AddressText(selection, L"any", address, 64);
    return ShowPageMessage(Window(), MB_YESNO | MB_ICONWARNING, kAddressMismatch,
                           g_settings.domain_name, address) == IDYES;
}

bool CWizSetConf::ConfirmFreePorts(size_t selection)
{
    size_t first = selection, last = selection;
    if (selection == 0)
        last = addresses_.count - 1;
    for (size_t i = first; i <= last; ++i) {
        int socketError = 0;
        PortVerdict verdict = TestServerPort(addresses_.entries[i], &socketError);
        if (verdict == PortVerdict::kNoSocket) {
            ShowPageSystemError(Window(), MB_OK | MB_ICONWARNING, static_cast<DWORD>(socketError));
            return false;
        }
        if (verdict == PortVerdict::kFree)
            continue;
        wchar_t address[64] = {};
        AddressText(i, L"0.0.0.0", address, 64);
        if (ShowPageMessage(Window(), MB_YESNO | MB_ICONWARNING, kPortInUse, address) != IDYES)
            return false;
    }
    return true;
}

bool CWizSetConf::CreateFolder(const wchar_t* folder)
{
    if (FolderExists(folder))
        return true;
    if (g_setupTools.CreateDirectoryTree(folder))
        return true;
    if (!g_settings.force_auto)
        ShowPageSystemError(Window(), MB_OK | MB_ICONERROR, GetLastError());
    return false;
}
