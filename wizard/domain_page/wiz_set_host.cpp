#include "wizard/domain_page/wiz_set_host.h"

#include "base/bounded_text.h"
#include "base/install_settings.h"
#include "base/message_ids.h"
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
    return kDefaultPage;
}

int CWizSetHost::OnWizardNext()
{
    return AddHostsEntry();
}

int CWizSetHost::AddHostsEntry()
{
    if (IsDlgButtonChecked(Window(), IDC_ADD_HOSTS_ENTRY) != BST_CHECKED)
        return kDefaultPage;
    wchar_t folder[MAX_PATH] = {};
    // Without a name, or without a system folder, there is nothing to add: go on without
    // a word.
    if (!g_settings.domain_name_ansi[0] || !GetHostsFolder(folder, MAX_PATH))
        return kDefaultPage;
    if (!::AddHostsEntry(folder, g_settings.server_address, g_settings.domain_name_ansi)) {
        // Shown in unattended runs too: this page always waits for the user.
        ShowPageSystemError(Window(), MB_OK | MB_ICONERROR, GetLastError());
        return kStayOnPage;
    }
    return kDefaultPage;
}
