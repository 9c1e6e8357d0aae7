#include "app/run_log.h"

#include <windows.h>
#include <ntsecapi.h>
#include <wchar.h>

#include "base/bounded_text.h"
#include "base/install_settings.h"
#include "base/object_security.h"
#include "base/server_version.h"
#include "base/setup_log.h"

namespace {

#define WIDEN2(text) L##text
#define WIDEN(text) WIDEN2(text)

// The account's own temporary folder; SYSTEM's is the system's, whatever its environment says.
bool TemporaryFolder(wchar_t (&folder)[MAX_PATH])
{
    AccountSidBuffer buffer;
    PSID account = RunningAccountSid(buffer);
    if (account && IsWellKnownSid(account, WinLocalSystemSid)) {
        UINT length = GetSystemWindowsDirectoryW(folder, MAX_PATH);
        return length > 0 && length + 6 < MAX_PATH && AppendText(folder, L"\\Temp\\") > 0;
    }
    DWORD length = GetTempPathW(MAX_PATH, folder);
    return length > 0 && length < MAX_PATH;
}

// A new file of this run's own, under a name nobody can foresee and so make first.
LogRefusal OpenDefaultLog()
{
    wchar_t folder[MAX_PATH] = {};
    if (!TemporaryFolder(folder)) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return LogRefusal::kSystemError;
    }
    LogRefusal refusal = LogRefusal::kSystemError;
    for (int attempt = 0; attempt < 3; ++attempt) {
        SYSTEMTIME now = {};
        GetSystemTime(&now);
        ULONGLONG random = 0;
        if (!RtlGenRandom(&random, sizeof(random)))
            return LogRefusal::kSystemError;
        wchar_t path[MAX_PATH] = {};
        if (FormatText(path, L"%sVelmoraSetup-%04u%02u%02uT%02u%02u%02uZ-%016I64x.log", folder, now.wYear,
                       now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, random) >= MAX_PATH - 1) {
            SetLastError(ERROR_FILENAME_EXCED_RANGE);
            return LogRefusal::kSystemError;
        }
        refusal = g_setupLog.Open(path, CSetupLog::Opening::kCreateOnly);
        if (refusal != LogRefusal::kSystemError || GetLastError() != ERROR_FILE_EXISTS)
            break;
    }
    return refusal;
}

const wchar_t* YesNo(bool value)
{
    return value ? L"yes" : L"no";
}

const wchar_t* HostsEntryText(HostsEntryChoice choice)
{
    switch (choice) {
    case kHostsEntryAdd:
        return L"true";
    case kHostsEntrySkip:
        return L"false";
    default:
        return L"(not given)";
    }
}

} // namespace

LogRefusal OpenRunLog(const SetupSwitches& switches)
{
    if (!switches.log[0])
        return switches.quiet ? OpenDefaultLog() : LogRefusal::kNone;
    // A relative name means the current folder, as for any program.
    wchar_t full[MAX_PATH] = {};
    DWORD length = GetFullPathNameW(switches.log, MAX_PATH, full, nullptr);
    LogRefusal refusal = LogRefusal::kSystemError;
    if (length == 0 || length >= MAX_PATH)
        SetLastError(length ? ERROR_FILENAME_EXCED_RANGE : GetLastError());
    else
        refusal = g_setupLog.Open(full);
    if (refusal == LogRefusal::kNone)
        return refusal;
    // The entry tells why, through the quiet run's default log when it opens.
    DWORD error = GetLastError();
    if (switches.quiet)
        OpenDefaultLog();
    SetLastError(error);
    return refusal;
}

void LogRunHeader(const wchar_t* commandLine)
{
    g_setupLog.Line(L"==== Velmora Server Setup " WIDEN(VELMORA_VERSION_TEXT) L", process %lu, command line: %s",
                    GetCurrentProcessId(), commandLine);
}

void LogSettingsInEffect()
{
    const InstallSettings& s = g_settings;
    g_setupLog.Line(L"settings: velmorasetup.cfg in \"%s\"; force_auto=%s quiet=%s saas_mode=%s hosts_entry=%s",
                    s.setup_dir, YesNo(s.force_auto), YesNo(s.quiet), YesNo(s.saas_mode),
                    HostsEntryText(s.hosts_entry));
    g_setupLog.Line(L"settings: service=\"%s\" path=\"%s\" domain=\"%s\" language=\"%s\"", s.service_name,
                    s.install_dir, s.domain_name, s.language);
    g_setupLog.Line(L"settings: admin_name=\"%s\" admin_surname=\"%s\" admin_login=\"%s\" admin_password %s",
                    s.admin_name, s.admin_surname, s.admin_login,
                    s.admin_password[0] ? L"given (not logged)" : L"not given");
}
