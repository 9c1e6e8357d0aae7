#include "wizard/domain_page/wiz_set_host.h"

#include <new>

#include "base/bounded_text.h"
#include "base/install_settings.h"
#include "base/message_ids.h"
#include "base/setup_log.h"
#include "engine/changes/hosts_change.h"
#include "formats/language/language.h"
#include "resources/wizard_ids.h"
#include "system/hosts/hosts_file.h"
#include "wizard/page_message.h"

namespace {
const size_t kShownDomainLength = 128;
}

CWizSetHost::CWizSetHost() : CWizardPage(IDD_WIZ_SETHOST)
{
}

BOOL CWizSetHost::OnInitDialog()
{
    CheckRadioButton(Window(), IDC_ADD_HOSTS_ENTRY, IDC_SKIP_HOSTS_ENTRY, IDC_ADD_HOSTS_ENTRY);
    g_language.TranslateDialog(Window(), IDD_WIZ_SETHOST);

    wchar_t converted[260] = {};
    MultiByteToWideChar(CP_ACP, 0, g_settings.domain_name_ansi, -1, converted, 260);
    converted[259] = 0;
    wchar_t domain[kShownDomainLength + 1] = {};
    CopyText(domain, converted);
    wchar_t format[512] = {};
    g_language.GetString(kDomainNotFound, format, 512);
    wchar_t text[512 + 256] = {};
    FormatText(text, format, domain);
    SetDlgItemTextW(Window(), IDC_DOMAIN_UNRESOLVED, text);
    return TRUE;
}

int CWizSetHost::OnSetActive()
{
    SetWizardButtons(PSWIZB_BACK | PSWIZB_NEXT);
    if (Flow(FlowEvent::kShown).move != FlowMove::kCheckItself)
        return kDefaultPage;
    wchar_t why[512] = {};
    const bool answered = AnswerFromSettings(why, 512);
    return AfterCheckingItself(answered, why);
}

bool CWizSetHost::NextAccepted()
{
    return IsDlgButtonChecked(Window(), IDC_ADD_HOSTS_ENTRY) != BST_CHECKED || AddHostsEntry();
}

bool CWizSetHost::AnswerFromSettings(wchar_t* why, size_t capacity)
{
    switch (g_settings.hosts_entry) {
    case kHostsEntrySkip:
        g_setupLog.Line(L"page domain name: no hosts entry for \"%s\" (hosts_entry=false)", g_settings.domain_name);
        return true;
    case kHostsEntryAdd:
        if (AddHostsEntry()) {
            g_setupLog.Line(L"page domain name: hosts entry for \"%s\" written (hosts_entry=true)",
                            g_settings.domain_name);
            return true;
        }
        CopyText(why, capacity, L"the hosts entry could not be written (the system error above)");
        return false;
    default:
        // Guessing would either touch the system's hosts file unasked or install a server
        // under a name that reaches nothing: the deployer decides.
        FormatText(why, capacity, L"the domain name \"%s\" does not resolve and velmorasetup.cfg has no "
                                  L"hosts_entry=true|false",
                   g_settings.domain_name);
        return false;
    }
}

bool CWizSetHost::AddHostsEntry()
{
    wchar_t folder[MAX_PATH] = {};
    // Without a name, or without a system folder, there is nothing to add: go on without
    // a word.
    if (!g_settings.domain_name_ansi[0] || !GetHostsFolder(folder, MAX_PATH))
        return true;
    // Taken back when the installation does not complete.
    if (!Changes().Apply(new (std::nothrow)
                             HostsChange(folder, g_settings.server_address, g_settings.domain_name_ansi))) {
        // Shown in unattended runs too: this page always waits for the user (a quiet run's
        // screen sink takes it to the log).
        ShowPageSystemError(Window(), MB_OK | MB_ICONERROR, GetLastError());
        return false;
    }
    return true;
}
