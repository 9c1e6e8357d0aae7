#pragma once
#include <winsock2.h>
#include <windows.h>
#include <stddef.h>

// velmorasetup.cfg's answer to the domain page's question, for a run nobody attends.
enum HostsEntryChoice : unsigned char
{
    kHostsEntryUnset,  // no hosts_entry key: a quiet run cannot go past the page
    kHostsEntryAdd,
    kHostsEntrySkip
};

// What kind of run this is: derived once, from /quiet and force_auto, when the settings are
// loaded.
enum class RunMode : unsigned char
{
    kAttended,    // a person answers the pages and the boxes
    kUnattended,  // force_auto: the pages take velmorasetup.cfg's answers by themselves; the
                  // welcome and domain pages still wait for a person
    kQuiet,       // /quiet: unattended, and nothing waits or shows; a page left without an
                  // answer stops the run
};

// Nobody is there to answer: no box asks or tells (unattended and quiet runs alike).
inline bool NobodyAnswers(RunMode mode)
{
    return mode != RunMode::kAttended;
}

// The one process-wide settings record: filled at start-up, edited by the wizard pages,
// read by the installation engine. Plain data, zero-filled at start and at exit.
// Texts are UTF-16, zero-terminated, in fixed arrays (capacity includes the terminator).
struct InstallSettings
{
    bool upgrade;            // the chosen folder holds an installed server (Velmora.exe)
    bool saas_mode;          // hosted mode
    bool force_auto;         // unattended run
    bool quiet;              // /quiet: unattended, and nothing waits or shows a box
    bool whatif;             // /whatif: the run only says what it would change
    RunMode run_mode;        // from quiet and force_auto, when the settings are loaded
    HostsEntryChoice hosts_entry;
    bool domain_unresolved;  // the domain name did not resolve when the settings page was left
    bool folder_confirmed;   // the folder existed and the user agreed (or the run is unattended)
    bool folder_created;     // the settings page created or accepted the folder without asking

    wchar_t setup_dir[260];     // folder of setup.exe, no trailing backslash
    wchar_t settings_file[260]; // the settings file read: /config's, or velmorasetup.cfg in setup_dir
    wchar_t install_dir[260];
    wchar_t backup_dir[260];    // empty when no backup was made
    wchar_t service_name[64];
    BYTE cert_thumbprint[20];   // SHA-1 of the imported server certificate
    wchar_t admin_password[260];  // plain, only as given in velmorasetup.cfg
    sockaddr_in server_address;   // AF_INET, port 443 (network order), 0 = any address

    // AdminAccountRecord: written to config\start.dat as it lies in memory (416 bytes).
    wchar_t admin_name[64];
    wchar_t admin_surname[64];
    wchar_t admin_login[64];
    BYTE admin_password_digest[20];
    BYTE admin_reserved[12];
    // ServerLocaleRecord: follows directly (288 bytes).
    INT32 timezone_bias;        // minutes, UTC = local time + bias
    wchar_t language[128];      // the server's language for its first start
    BYTE locale_reserved[28];

    wchar_t domain_name[260];
    char domain_name_ansi[260];  // always the ANSI form of domain_name
    const BYTE* default_certificate;  // PFX image of the default server certificate
    DWORD default_certificate_size;
};

static const size_t kAdminAccountRecordSize = 416;
static const size_t kServerLocaleRecordSize = 288;

static_assert(offsetof(InstallSettings, admin_reserved) + 12 - offsetof(InstallSettings, admin_name)
                  == kAdminAccountRecordSize, "AdminAccountRecord must be 416 contiguous bytes");
static_assert(offsetof(InstallSettings, timezone_bias) - offsetof(InstallSettings, admin_name)
                  == kAdminAccountRecordSize, "ServerLocaleRecord must follow AdminAccountRecord directly");
static_assert(offsetof(InstallSettings, locale_reserved) + 28 - offsetof(InstallSettings, timezone_bias)
                  == kServerLocaleRecordSize, "ServerLocaleRecord must be 288 contiguous bytes");

inline const BYTE* AdminAccountRecord(const InstallSettings& s)
{
    return reinterpret_cast<const BYTE*>(s.admin_name);
}
inline const BYTE* ServerLocaleRecord(const InstallSettings& s)
{
    return reinterpret_cast<const BYTE*>(&s.timezone_bias);
}

// The one instance.
extern InstallSettings g_settings;
