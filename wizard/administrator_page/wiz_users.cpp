#include "wizard/administrator_page/wiz_users.h"

#include "base/install_settings.h"
#include "base/message_ids.h"
#include "formats/language/language.h"
#include "resources/wizard_ids.h"
#include "wizard/administrator_page/admin_login.h"
#include "wizard/administrator_page/administrator_check.h"
#include "wizard/page_message.h"
#include "wizard/settings_text.h"
#include "wizard/wizard_colours.h"

namespace {
bool IsEmptyBox(HWND box)
{
    return GetWindowTextLengthW(box) == 0;
}
} // namespace

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
    TrimBlanks(g_settings.admin_name);
    TrimBlanks(g_settings.admin_surname);
    TrimBlanks(g_settings.admin_login);
    writing_boxes_ = true;
    SetDlgItemTextW(Window(), IDC_ADMIN_NAME, g_settings.admin_name);
    SetDlgItemTextW(Window(), IDC_ADMIN_SURNAME, g_settings.admin_surname);
    SetDlgItemTextW(Window(), IDC_ADMIN_LOGIN, g_settings.admin_login);
    SetDlgItemTextW(Window(), IDC_ADMIN_PASSWORD, g_settings.admin_password);
    SetDlgItemTextW(Window(), IDC_ADMIN_CONFIRM, g_settings.admin_password);
    writing_boxes_ = false;
    g_language.TranslateDialog(Window(), IDD_WIZ_USERS);
    return TRUE;
}

int CWizUsers::OnSetActive()
{
    SetWizardButtons(PSWIZB_BACK | PSWIZB_NEXT);
    // An unattended run moves on by itself when its settings hold a valid account, and
    // otherwise waits here for the user, without a word.
    if (Flow(FlowEvent::kShown).move != FlowMove::kCheckItself)
        return kDefaultPage;
    return AfterCheckingItself(CheckFields(), L"velmorasetup.cfg gives no valid administrator account "
                                              L"(admin_name, admin_surname, admin_login, admin_password)");
}

bool CWizUsers::NextAccepted()
{
    return CheckFields();
}

bool CWizUsers::OnCommand(WORD id, WORD code, HWND)
{
    if (id == IDC_ADMIN_LOGIN && code == EN_SETFOCUS) {
        login_edited_ = true;
        return true;
    }
    if ((id == IDC_ADMIN_NAME || id == IDC_ADMIN_SURNAME) && code == EN_CHANGE && !writing_boxes_) {
        FillLogin();
        return true;
    }
    return false;
}

void CWizUsers::FillLogin()
{
    if (IsEmptyBox(login_.Window()))
        login_edited_ = false;
    if (login_edited_)
        return;
    wchar_t name[260] = {};
    wchar_t surname[260] = {};
    GetWindowTextW(name_.Window(), name, 260);
    GetWindowTextW(surname_.Window(), surname, 260);
    TrimBlanks(name);
    TrimBlanks(surname);
    wchar_t login[522] = {};
    ComposeLogin(name, surname, login, 522);
    SetWindowTextW(login_.Window(), login);
}

bool CWizUsers::CheckFields()
{
    AdministratorFields fields = {};
    CSmallSmartEdit* boxes[] = {&name_, &surname_, &login_};
    wchar_t* texts[] = {fields.name, fields.surname, fields.login};
    for (int i = 0; i < 3; ++i)
        GetWindowTextW(boxes[i]->Window(), texts[i], 64);
    GetWindowTextW(password_.Window(), fields.password, 256);
    GetWindowTextW(confirmation_.Window(), fields.confirmation, 256);
    AdministratorVerdict verdict = CheckAdministratorPage(fields, g_settings);
    SecureZeroMemory(fields.password, sizeof fields.password);
    SecureZeroMemory(fields.confirmation, sizeof fields.confirmation);

    const bool marked[] = {verdict.name_marked, verdict.surname_marked, verdict.login_marked};
    for (int i = 0; i < 3; ++i) {
        writing_boxes_ = true;
        SetWindowTextW(boxes[i]->Window(), texts[i]);
        writing_boxes_ = false;
        if (marked[i])
            boxes[i]->SetTextColour(kHintColour);
    }
    if (verdict.message)
        ShowPageMessage(Window(), MB_OK | MB_ICONWARNING, verdict.message);
    return verdict.accepted;
}
