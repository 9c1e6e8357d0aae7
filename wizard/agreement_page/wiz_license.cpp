#include "wizard/agreement_page/wiz_license.h"

#include "formats/language/language.h"
#include "resources/wizard_ids.h"
#include "wizard/agreement_page/agreement_text.h"

CWizLicense::CWizLicense() : CWizardPage(IDD_WIZ_LICENSE), text_(RGB(255, 255, 255))
{
}

BOOL CWizLicense::OnInitDialog()
{
    HWND textBox = GetDlgItem(Window(), IDC_AGREEMENT_TEXT);
    text_.SubclassWindow(textBox);
    accept_.SubclassWindow(GetDlgItem(Window(), IDC_AGREEMENT_ACCEPT));
    // The agreement follows the system's locale, like the interface language.
    UniqueLocalMemory agreement;
    if (LoadAgreementText(GetModuleHandleW(nullptr), AgreementResourceId(GetSystemDefaultLCID()),
                          agreement))
        SetWindowTextW(textBox, static_cast<const wchar_t*>(agreement.Get()));
    g_language.TranslateDialog(Window(), IDD_WIZ_LICENSE);
    return TRUE;
}

int CWizLicense::OnSetActive()
{
    UpdateButtons();
    return kDefaultPage;
}

bool CWizLicense::OnCommand(WORD id, WORD code, HWND)
{
    if (id != IDC_AGREEMENT_ACCEPT || code != BN_CLICKED)
        return false;
    UpdateButtons();
    return true;
}

void CWizLicense::UpdateButtons()
{
    bool accepted = IsDlgButtonChecked(Window(), IDC_AGREEMENT_ACCEPT) == BST_CHECKED;
    SetWizardButtons(PSWIZB_BACK | (accepted ? PSWIZB_NEXT : 0));
}
