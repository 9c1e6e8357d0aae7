#include "app/run_log.h"

#include "base/bounded_text.h"
#include "base/install_settings.h"
#include "base/server_version.h"
#include "base/setup_log.h"

namespace {

#define WIDEN2(text) L##text
#define WIDEN(text) WIDEN2(text)

bool OpenDefaultLog()
{
    wchar_t path[MAX_PATH] = {};
    DWORD length = GetTempPathW(MAX_PATH, path);
    if (length == 0 || length >= MAX_PATH)
        return false;
    AppendText(path, L"VelmoraSetup.log");
    return g_setupLog.Open(path);
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

bool OpenRunLog(const SetupSwitches& switches)
{
    if (!switches.log[0])
        return !switches.quiet || OpenDefaultLog();
    if (g_setupLog.Open(switches.log))
        return true;
    // The entry tells why, through the quiet run's default log when it opens.
    DWORD error = GetLastError();
    if (switches.quiet)
        OpenDefaultLog();
    SetLastError(error);
    return false;
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
