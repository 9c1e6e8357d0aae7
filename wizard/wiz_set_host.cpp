#include "wizard/wiz_set_host.h"

#include "lang/language.h"
#include "resources/wizard_ids.h"

CWizSetHost::CWizSetHost() : CWizardPage(IDD_WIZ_SETHOST)
{
}

BOOL CWizSetHost::OnInitDialog()
{
    CheckRadioButton(Window(), IDC_ADD_HOSTS_ENTRY, IDC_SKIP_HOSTS_ENTRY, IDC_ADD_HOSTS_ENTRY);
    g_language.TranslateDialog(Window(), IDD_WIZ_SETHOST);
    return TRUE;
}

int CWizSetHost::OnSetActive()
{
    SetWizardButtons(PSWIZB_BACK | PSWIZB_NEXT);
    return kDefaultPage;
}
