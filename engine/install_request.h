#pragma once
#include <winsock2.h>
#include <windows.h>

#include "formats/config/config_file.h"

// Where the installation goes decides what it keeps and what it takes back.
enum class InstallKind : unsigned char
{
    kNewFolder,        // a folder made for it: removed whole after a failure
    kConfirmedFolder,  // a folder that was there: backed up, and kept after a failure
    kUpgrade,          // an installed server: its configuration and first-start file stay
};

static const size_t kAdminAccountSize = 416;  // the first-start file's account record
static const size_t kServerLocaleSize = 288;  // ... and the locale record after it

// One installation, as the progress page asks for it. The engine reads nothing else:
// not the settings record, not the pages' configuration store.
struct InstallRequest
{
    wchar_t folder[MAX_PATH] = {};
    wchar_t service_name[64] = {};
    sockaddr_in address = {};     // the server's; 0.0.0.0 for any
    BYTE cert_thumbprint[20] = {};
    InstallKind kind = InstallKind::kNewFolder;
    bool hosted = false;          // no program group, no certificate work
    wchar_t domain_name[260] = {};     // the shortcut's host when it resolves
    char domain_name_ansi[260] = {};
    BYTE admin_account[kAdminAccountSize] = {};
    BYTE server_locale[kServerLocaleSize] = {};
    ULONGLONG payload_bytes = 0;  // what the payload's files take unpacked; 0: not known
    // The configuration written for a new installation (its "server_ip" set), and on an
    // upgrade the installed one's, which only names the shortcut's address.
    CConfigFile configuration;

    bool Upgrade() const { return kind == InstallKind::kUpgrade; }
    // The folder was there before the run: it is backed up, and stays after a failure.
    bool FolderWasThere() const { return kind != InstallKind::kNewFolder; }
};

enum class RunOutcome
{
    kSucceeded,
    kFailed,
    kCancelled,
};

// What one installation did.
struct InstallResult
{
    RunOutcome outcome = RunOutcome::kFailed;
    int failed_step = -1;         // the step that failed or was cancelled; -1 after success
    DWORD code = 0;               // its system error code; ERROR_CANCELLED after a cancel
    wchar_t backup_folder[MAX_PATH] = {};  // empty when the run took no backup
};
