#include "app/load_settings.h"

#include <windows.h>
#include <shlobj.h>
#include <wchar.h>

#include "app/default_certificate.h"
#include "app/domain_name.h"
#include "app/setup_folder.h"
#include "base/bounded_text.h"
#include "base/host_name.h"
#include "base/install_settings.h"
#include "base/message_ids.h"
#include "base/setup_log.h"
#include "base/setup_tools.h"
#include "engine/installation_identity.h"
#include "formats/config/config_file.h"
#include "formats/digest/digest160.h"
#include "formats/language/message_box.h"
#include "formats/language/language.h"

namespace {

const size_t kServiceNameLimit = 63;
const size_t kServiceNameKept = 62;

// Reads `key` into `field`, keeping at most `kept` characters. A value that was cut is
// kept cut; the result is true only for a value that was there in full.
bool ReadKey(CConfigFile& config, const wchar_t* key, wchar_t* field, size_t kept)
{
    return config.Get(key, field, kept + 1);
}

bool ReadSwitch(CConfigFile& config, const wchar_t* key)
{
    wchar_t value[259] = {};
    return ReadKey(config, key, value, 258) && lstrcmpiW(value, L"true") == 0;
}

// The keys of velmorasetup.cfg; `domain` receives the "domain" key when it is given.
// False when the service name is longer than its field: a cut name is another service.
bool ReadUnattendedKeys(CConfigFile& config, wchar_t* domain, size_t domainCapacity)
{
    if (!ReadKey(config, L"service", g_settings.service_name, kServiceNameKept) && g_settings.service_name[0])
        return false;
    ReadKey(config, L"path", g_settings.install_dir, 258);
    ReadKey(config, L"admin_name", g_settings.admin_name, 62);
    ReadKey(config, L"admin_surname", g_settings.admin_surname, 62);
    ReadKey(config, L"admin_login", g_settings.admin_login, 62);
    ReadKey(config, L"language", g_settings.language, 126);
    if (ReadKey(config, L"admin_password", g_settings.admin_password, 258))
        Digest160Text(g_settings.admin_password, g_settings.admin_password_digest, kDigest160Size);
    if (ReadSwitch(config, L"saas_mode"))
        g_settings.saas_mode = true;
    if (ReadSwitch(config, L"force_auto"))
        g_settings.force_auto = true;
    wchar_t hostsEntry[8] = {};
    if (ReadKey(config, L"hosts_entry", hostsEntry, 7))
        g_settings.hosts_entry = lstrcmpiW(hostsEntry, L"true") == 0    ? kHostsEntryAdd
                                 : lstrcmpiW(hostsEntry, L"false") == 0 ? kHostsEntrySkip
                                                                        : kHostsEntryUnset;
    // A cut domain would name some other host: then the machine's own name is used.
    if (!config.Get(L"domain", domain, domainCapacity))
        domain[0] = 0;
    return true;
}

// "D:\servers\mail.example" gives "mail"; a last component without a dot gives "velmora".
void DeriveServiceName()
{
    if (g_settings.service_name[0] || g_settings.saas_mode)
        return;
    const wchar_t* dir = g_settings.install_dir;
    const wchar_t* component = nullptr;
    for (const wchar_t* scan = dir; *scan; ++scan)
        if (*scan == L'\\' || *scan == L'/')
            component = scan + 1;
    const wchar_t* lastDot = component ? wcsrchr(component, L'.') : nullptr;
    if (lastDot && static_cast<size_t>(lastDot - component) < kServiceNameLimit)
        CopyTextN(g_settings.service_name, 64, component, static_cast<size_t>(lastDot - component));
    else
        CopyText(g_settings.service_name, L"velmora");
}

void ChooseInstallFolder()
{
    if (g_settings.install_dir[0])
        return;
    // Only a service that runs the server as the setup installs it names a folder; any other
    // service of the name is refused on the settings page.
    if (InstalledServerFolder(g_settings.service_name, g_settings.install_dir, 260))
        return;
    wchar_t programFiles[MAX_PATH] = {};
    if (SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, programFiles)))
        FormatText(g_settings.install_dir, L"%s\\Velmora", programFiles);
}

} // namespace

bool LoadSettingsFromFolder(const wchar_t* setupDir, const wchar_t* namedFile)
{
    TIME_ZONE_INFORMATION zone;
    GetTimeZoneInformation(&zone);
    g_settings.timezone_bias = zone.Bias;
    // The system's locale, not the user's interface language, decides.
    g_language.SelectLanguage(GetSystemDefaultLCID());
    CopyText(g_settings.setup_dir, setupDir);

    wchar_t domain[260] = {};
    {
        CConfigFile unattended;
        wchar_t* path = g_settings.settings_file;
        if (namedFile)
            CopyText(g_settings.settings_file, namedFile);
        else
            FormatText(g_settings.settings_file, L"%s\\velmorasetup.cfg", g_settings.setup_dir);
        if (unattended.Load(path)) {
            if (!ReadUnattendedKeys(unattended, domain, 260)) {
                ShowMessage(nullptr, kErrorMessage, kServiceNameTooLong, static_cast<int>(kServiceNameKept));
                return false;
            }
        } else if (namedFile) {
            const DWORD error = GetLastError();
            wchar_t reason[512] = {};
            g_setupTools.FormatSystemError(error, reason, 512);
            ShowMessage(nullptr, kErrorMessage, kNamedSettingsFileRefused, path, reason);
            return false;
        } else if (g_settings.quiet) {
            // Nobody to ask and nothing to install from: the defaults alone name no
            // administrator.
            g_setupLog.Line(L"quiet run: cannot read \"%s\" (system error %lu); nothing is done", path,
                            GetLastError());
            return false;
        }
    }
    // A quiet run is an unattended one that goes further: nothing waits at all.
    if (g_settings.quiet)
        g_settings.force_auto = true;
    g_settings.run_mode = g_settings.quiet        ? RunMode::kQuiet
                          : g_settings.force_auto ? RunMode::kUnattended
                                                  : RunMode::kAttended;
    DeriveServiceName();
    ChooseInstallFolder();

    // The domain becomes a line of the hosts file, the server's address and, in hosted
    // mode, the name of a folder: a name given that is no host name stops the setup. The
    // computer's own name may hold what DNS does not (an underscore); then localhost serves.
    if (domain[0] && !IsDnsHostName(domain)) {
        ShowMessage(nullptr, kErrorMessage, kInvalidDomain, domain);
        return false;
    }
    if (!domain[0])
        GetDefaultDomainName(domain, 260);
    if (!IsDnsHostName(domain))
        CopyText(domain, L"localhost");
    SetDomainName(domain);
    LoadDefaultCertificate();
    return true;
}

bool LoadSettings(const wchar_t* namedFile)
{
    wchar_t folder[MAX_PATH] = {};
    if (!RunningSetupFolder(folder)) {
        ShowMessage(nullptr, kErrorMessage, kSetupPathTooLong);
        return false;
    }
    return LoadSettingsFromFolder(folder, namedFile);
}
