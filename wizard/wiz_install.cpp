#include "wizard/wiz_install.h"

#include "lang/language.h"
#include "resources/wizard_ids.h"

CWizInstall::CWizInstall() : CWizardPage(IDD_WIZ_INSTALL)
{
}

BOOL CWizInstall::OnInitDialog()
{
    g_language.TranslateDialog(Window(), IDD_WIZ_INSTALL);
    return TRUE;
}

int CWizInstall::OnSetActive()
{
    // No Back, Next or Finish while the installation runs.
    SetWizardButtons(0);
    return kDefaultPage;
}
