#include "pages/page_fixture.h"

#include <gtest/gtest.h>
#include <commctrl.h>

#include "formats/language/language.h"

WizardRun RunOnPage(int dialogId, const std::function<void(WizardDriver&)>& script,
                    MessageBoxWatcher::Answer answer)
{
    return RunWizardWith([&](WizardDriver& wizard) {
        SendMessageW(wizard.Sheet(), PSM_SETCURSELID, 0, dialogId);
        ASSERT_TRUE(wizard.WaitForPage(dialogId));
        script(wizard);
    }, answer);
}

namespace {

// The notification in flight and the page's answer, taken on the wizard's thread the moment
// the page has handled it: later messages (focus coming back from a box) overwrite it.
const NMHDR* g_asked = nullptr;
LONG_PTR g_answer = 0;

LRESULT CALLBACK TakeAnswer(int code, WPARAM wParam, LPARAM lParam)
{
    const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    if (code == HC_ACTION && call->message == WM_NOTIFY &&
        reinterpret_cast<const NMHDR*>(call->lParam) == g_asked)
        g_answer = GetWindowLongPtrW(call->hwnd, DWLP_MSGRESULT);
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

} // namespace

LONG_PTR AskPage(WizardDriver& wizard, UINT code)
{
    HWND page = wizard.Page();
    NMHDR header = {};
    header.hwndFrom = wizard.Sheet();
    header.code = code;
    HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROCRET, TakeAnswer, nullptr,
                                   GetWindowThreadProcessId(page, nullptr));
    g_asked = &header;
    g_answer = -2;
    SendMessageW(page, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&header));
    LONG_PTR answer = g_answer;
    g_asked = nullptr;
    if (hook)
        UnhookWindowsHookEx(hook);
    wizard.Settle();
    return answer;
}

void TypeInto(WizardDriver& wizard, int id, const std::wstring& text)
{
    SendMessageW(wizard.Item(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    wizard.Settle();
}

std::wstring ItemText(WizardDriver& wizard, int id)
{
    return WindowText(wizard.Item(id));
}

void FocusOn(WizardDriver& wizard, int id)
{
    SendMessageW(wizard.Page(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(wizard.Item(id)), TRUE);
    wizard.Settle();
}

COLORREF TextColourOf(WizardDriver& wizard, int id)
{
    HDC dc = CreateCompatibleDC(nullptr);
    SetTextColor(dc, RGB(1, 2, 3));
    SendMessageW(wizard.Page(), WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc),
                 reinterpret_cast<LPARAM>(wizard.Item(id)));
    COLORREF colour = GetTextColor(dc);
    DeleteDC(dc);
    return colour;
}

int AcceptBox(const SeenMessageBox& box)
{
    return box.hasButton[IDYES] ? IDYES : IDOK;
}

std::wstring MessageText(UINT id)
{
    wchar_t text[1024] = {};
    g_language.GetString(id, text, 1024);
    return text;
}
