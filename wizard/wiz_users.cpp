#include "wizard/wiz_users.h"

#include "app/install_settings.h"
#include "lang/language.h"
#include "resources/wizard_ids.h"
#include "wizard/wizard_colours.h"

namespace {
const UINT kLoginHint = 27;
const UINT kPasswordHint = 28;
const UINT kConfirmationHint = 29;
const UINT kNameHint = 30;
const UINT kSurnameHint = 31;
}

CWizUsers::CWizUsers()
    : CWizardPage(IDD_WIZ_USERS),
      name_(kNameHint, kHintColour),
      surname_(kSurnameHint, kHintColour),
      login_(kLoginHint, kHintColour),
      password_(kPasswordHint, kHintColour),
      confirmation_(kConfirmationHint, kHintColour)
{
}

BOOL CWizUsers::OnInitDialog()
{
    name_.Attach(GetDlgItem(Window(), IDC_ADMIN_NAME));
    surname_.Attach(GetDlgItem(Window(), IDC_ADMIN_SURNAME));
    login_.Attach(GetDlgItem(Window(), IDC_ADMIN_LOGIN));
    password_.Attach(GetDlgItem(Window(), IDC_ADMIN_PASSWORD));
    confirmation_.Attach(GetDlgItem(Window(), IDC_ADMIN_CONFIRM));
    SetDlgItemTextW(Window(), IDC_ADMIN_NAME, g_settings.admin_name);
    SetDlgItemTextW(Window(), IDC_ADMIN_SURNAME, g_settings.admin_surname);
    SetDlgItemTextW(Window(), IDC_ADMIN_LOGIN, g_settings.admin_login);
    SetDlgItemTextW(Window(), IDC_ADMIN_PASSWORD, g_settings.admin_password);
    SetDlgItemTextW(Window(), IDC_ADMIN_CONFIRM, g_settings.admin_password);
    g_language.TranslateDialog(Window(), IDD_WIZ_USERS);
    return TRUE;
}

int CWizUsers::OnSetActive()
{
    SetWizardButtons(PSWIZB_BACK | PSWIZB_NEXT);
    return kDefaultPage;
}

int CWizUsers::OnWizardBack()
{
    return g_settings.domain_unresolved ? IDD_WIZ_SETHOST : IDD_WIZ_SETCONF;
}
