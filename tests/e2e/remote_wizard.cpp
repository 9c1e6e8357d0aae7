#include "e2e/remote_wizard.h"

#include <prsht.h>

#include "resources/wizard_ids.h"
#include "wizard/wizard_driver.h"

namespace {

const DWORD kAnswerMs = 5000;

} // namespace

bool PressAndWaitFor(HWND sheet, int button, int expected)
{
    PostMessageW(sheet, PSM_PRESSBUTTON, static_cast<WPARAM>(button), 0);
    return WaitUntil([&] { return CurrentPageId(sheet) == expected; }, 10000);
}

bool TypeInto(HWND sheet, int controlId, const std::wstring& text)
{
    HWND control = GetDlgItem(CurrentPage(sheet), controlId);
    DWORD_PTR result = 0;
    return control && SendMessageTimeoutW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                                          SMTO_ABORTIFHUNG, kAnswerMs, &result) && result;
}

std::wstring RemoteText(HWND sheet, int controlId)
{
    HWND control = GetDlgItem(CurrentPage(sheet), controlId);
    wchar_t text[1024] = {};
    DWORD_PTR length = 0;
    if (control)
        SendMessageTimeoutW(control, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, kAnswerMs,
                            &length);
    return text;
}

bool PassWelcomeAndAgreement(HWND sheet)
{
    if (!PressAndWaitFor(sheet, PSBTN_NEXT, IDD_WIZ_LICENSE))
        return false;
    SendMessageW(GetDlgItem(CurrentPage(sheet), IDC_AGREEMENT_ACCEPT), BM_CLICK, 0, 0);
    return WaitUntil([&] { return WizardButtonEnabled(sheet, WizardDriver::kNextButton); }) &&
           PressAndWaitFor(sheet, PSBTN_NEXT, IDD_WIZ_SETCONF);
}

bool WaitForFinish(HWND sheet, DWORD timeoutMs)
{
    return WaitUntil([&] { return WizardButtonEnabled(sheet, WizardDriver::kFinishButton); }, timeoutMs);
}
