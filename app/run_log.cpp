#include "app/run_log.h"

#include "base/install_settings.h"
#include "base/setup_log.h"

namespace {

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

void LogSettingsInEffect()
{
    const InstallSettings& s = g_settings;
    g_setupLog.Line(L"settings: from \"%s\"; force_auto=%s quiet=%s saas_mode=%s hosts_entry=%s",
                    s.settings_file, YesNo(s.force_auto), YesNo(s.quiet), YesNo(s.saas_mode),
                    HostsEntryText(s.hosts_entry));
    g_setupLog.Line(L"settings: service=\"%s\" path=\"%s\" domain=\"%s\" language=\"%s\"", s.service_name,
                    s.install_dir, s.domain_name, s.language);
    g_setupLog.Line(L"settings: admin_name=\"%s\" admin_surname=\"%s\" admin_login=\"%s\" admin_password %s",
                    s.admin_name, s.admin_surname, s.admin_login,
                    s.admin_password[0] ? L"given (not logged)" : L"not given");
}
