#include "e2e/remote_wizard.h"

#include <prsht.h>

#include "resources/wizard_ids.h"
#include "wizard/wizard_driver.h"

namespace {

const DWORD kAnswerMs = 5000;

} // namespace

HWND RemotePage(HWND sheet)
{
    DWORD_PTR page = 0;
    SendMessageTimeoutW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0, SMTO_ABORTIFHUNG, kAnswerMs, &page);
    return reinterpret_cast<HWND>(page);
}

int RemotePageId(HWND sheet)
{
    HWND page = RemotePage(sheet);
    if (!page)
        return 0;
    LRESULT index = SendMessageW(sheet, PSM_HWNDTOINDEX, reinterpret_cast<WPARAM>(page), 0);
    return static_cast<int>(SendMessageW(sheet, PSM_INDEXTOID, static_cast<WPARAM>(index), 0));
}

bool RemoteButtonEnabled(HWND sheet, int buttonId)
{
    HWND button = GetDlgItem(sheet, buttonId);
    return button && IsWindowVisible(button) && IsWindowEnabled(button);
}

bool PressAndWaitFor(HWND sheet, int button, int expected)
{
    PostMessageW(sheet, PSM_PRESSBUTTON, static_cast<WPARAM>(button), 0);
    return WaitUntil([&] { return RemotePageId(sheet) == expected; }, 10000);
}

bool TypeInto(HWND sheet, int controlId, const std::wstring& text)
{
    HWND control = GetDlgItem(RemotePage(sheet), controlId);
    DWORD_PTR result = 0;
    return control && SendMessageTimeoutW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                                          SMTO_ABORTIFHUNG, kAnswerMs, &result) && result;
}

std::wstring RemoteText(HWND sheet, int controlId)
{
    HWND control = GetDlgItem(RemotePage(sheet), controlId);
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
    SendMessageW(GetDlgItem(RemotePage(sheet), IDC_AGREEMENT_ACCEPT), BM_CLICK, 0, 0);
    return WaitUntil([&] { return RemoteButtonEnabled(sheet, WizardDriver::kNextButton); }) &&
           PressAndWaitFor(sheet, PSBTN_NEXT, IDD_WIZ_SETCONF);
}

bool WaitForFinish(HWND sheet, DWORD timeoutMs)
{
    return WaitUntil([&] { return RemoteButtonEnabled(sheet, WizardDriver::kFinishButton); }, timeoutMs);
}
