#include "wizard/administrator_page/wiz_users.h"

#include "base/install_settings.h"
#include "base/message_ids.h"
#include "formats/digest/digest160.h"
#include "formats/language/language.h"
#include "resources/wizard_ids.h"
#include "wizard/administrator_page/admin_login.h"
#include "wizard/page_message.h"
#include "wizard/settings_text.h"
#include "wizard/wizard_colours.h"

namespace {
const size_t kShortestPassword = 6;
const int kPasswordCapacity = 256;

bool IsEmptyBox(HWND box)
{
    return GetWindowTextLengthW(box) == 0;
}

bool DigestIsSet()
{
    for (BYTE b : g_settings.admin_password_digest)
        if (b)
            return true;
    return false;
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
    if (g_settings.force_auto && CheckFields())
        return IDD_WIZ_INSTALL;
    return kDefaultPage;
}

int CWizUsers::OnWizardNext()
{
    return CheckFields() ? kDefaultPage : kStayOnPage;
}

int CWizUsers::OnWizardBack()
{
    return g_settings.domain_unresolved ? IDD_WIZ_SETHOST : IDD_WIZ_SETCONF;
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

bool CWizUsers::TakeField(CSmallSmartEdit& box, wchar_t* field, int capacity)
{
    GetWindowTextW(box.Window(), field, capacity);
    TrimBlanks(field);
    writing_boxes_ = true;
    SetWindowTextW(box.Window(), field);
    writing_boxes_ = false;
    if (field[0])
        return true;
    box.SetTextColour(kHintColour);
    return false;
}

bool CWizUsers::CheckFields()
{
    bool valid = TakeField(name_, g_settings.admin_name, 64);
    valid = TakeField(surname_, g_settings.admin_surname, 64) && valid;
    bool loginValid = TakeField(login_, g_settings.admin_login, 64);
    if (loginValid && IsReservedLogin(g_settings.admin_login)) {
        login_.SetTextColour(kHintColour);
        loginValid = false;
    }
    if (!valid || !loginValid) {
        Warn(kInvalidFields);
        return false;
    }
    // The unattended settings' password is already in the digest.
    if (g_settings.force_auto && DigestIsSet())
        return true;

    wchar_t password[kPasswordCapacity] = {};
    wchar_t confirmation[kPasswordCapacity] = {};
    GetWindowTextW(password_.Window(), password, kPasswordCapacity);
    bool passed = false;
    if (wcslen(password) < kShortestPassword) {
        Warn(kPasswordTooSimple);
    } else {
        GetWindowTextW(confirmation_.Window(), confirmation, kPasswordCapacity);
        if (CompareStringW(kEnglishLocale, 0, password, -1, confirmation, -1) != CSTR_EQUAL) {
            Warn(kPasswordsMismatch);
        } else {
            passed = Digest160Text(password, g_settings.admin_password_digest, kDigest160Size);
        }
    }
    SecureZeroMemory(password, sizeof password);
    SecureZeroMemory(confirmation, sizeof confirmation);
    return passed;
}

void CWizUsers::Warn(UINT messageId) const
{
    if (g_settings.force_auto)
        return;
    ShowPageMessage(Window(), MB_OK | MB_ICONWARNING, messageId);
}
