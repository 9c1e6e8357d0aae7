#include "wizard/wiz_set_conf.h"

#include "app/install_settings.h"
#include "lang/language.h"
#include "resources/wizard_ids.h"
#include "wizard/wizard_colours.h"

namespace {
const UINT kFolderHint = 25;
const UINT kServiceNameHint = 45;
}

CWizSetConf::CWizSetConf()
    : CWizardPage(IDD_WIZ_SETCONF),
      folder_(kFolderHint, kHintColour),
      service_name_(kServiceNameHint, kHintColour)
{
}

int CWizSetConf::NextPageAfterChecks()
{
    if (g_settings.domain_unresolved)
        return kDefaultPage;
    if (g_settings.upgrade && !g_settings.force_auto)
        return IDD_WIZ_INSTALL;
    return IDD_WIZ_USERS;
}

BOOL CWizSetConf::OnInitDialog()
{
    folder_.Attach(GetDlgItem(Window(), IDC_INSTALL_DIR));
    service_name_.Attach(GetDlgItem(Window(), IDC_SERVICE_NAME));
    SetDlgItemTextW(Window(), IDC_INSTALL_DIR, g_settings.install_dir);
    SetDlgItemTextW(Window(), IDC_SERVICE_NAME, g_settings.service_name);
    g_language.TranslateDialog(Window(), IDD_WIZ_SETCONF);
    return TRUE;
}

int CWizSetConf::OnSetActive()
{
    SetWizardButtons(PSWIZB_BACK | PSWIZB_NEXT);
    return kDefaultPage;
}

int CWizSetConf::OnWizardNext()
{
    return NextPageAfterChecks();
}

int CWizSetConf::OnWizardBack()
{
    // Hosted and unattended runs skipped the agreement on the way here.
    if (g_settings.saas_mode || g_settings.force_auto)
        return IDD_WIZ_WELCOME;
    return kDefaultPage;
}
