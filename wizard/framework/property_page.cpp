#include "wizard/framework/property_page.h"

#include "wizard/framework/reflection.h"

CPropertyPageImpl::CPropertyPageImpl(UINT dialogId, UINT titleId)
    : description_(), dialog_id_(dialogId)
{
    description_.dwSize = sizeof(description_);
    description_.dwFlags = PSP_USETITLE;
    description_.hInstance = GetModuleHandleW(nullptr);
    description_.pszTemplate = MAKEINTRESOURCEW(dialogId);
    description_.pszTitle = MAKEINTRESOURCEW(titleId);
    description_.pfnDlgProc = StaticDialogProc;
    description_.lParam = reinterpret_cast<LPARAM>(this);
}

CPropertyPageImpl::~CPropertyPageImpl()
{
    if (window_)
        SetWindowLongPtrW(window_, DWLP_USER, 0);
}

bool CPropertyPageImpl::ProcessWindowMessage(HWND, UINT, WPARAM, LPARAM, LRESULT&)
{
    return false;
}

void CPropertyPageImpl::OnFinalMessage(HWND)
{
}

bool CPropertyPageImpl::OnCommand(WORD, WORD, HWND)
{
    return false;
}

void CPropertyPageImpl::SetWizardButtons(DWORD buttons) const
{
    PostMessageW(Sheet(), PSM_SETWIZBUTTONS, 0, static_cast<LPARAM>(buttons));
}

INT_PTR CALLBACK CPropertyPageImpl::StaticDialogProc(HWND window, UINT message, WPARAM wParam,
                                                     LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        // The sheet passes its copy of the page description; lParam leads to the object.
        auto* page = reinterpret_cast<CPropertyPageImpl*>(
            reinterpret_cast<const PROPSHEETPAGEW*>(lParam)->lParam);
        SetWindowLongPtrW(window, DWLP_USER, reinterpret_cast<LONG_PTR>(page));
        page->window_ = window;
    }
    auto* page = reinterpret_cast<CPropertyPageImpl*>(GetWindowLongPtrW(window, DWLP_USER));
    if (!page)
        return FALSE;  // messages before WM_INITDIALOG (WM_SETFONT)
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, DWLP_USER, 0);
        page->window_ = nullptr;
        page->OnFinalMessage(window);
        return FALSE;
    }
    return page->DialogProc(message, wParam, lParam);
}

INT_PTR CPropertyPageImpl::DialogProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    bool handled = false;
    if (message == WM_INITDIALOG) {
        result = OnInitDialog();
        handled = true;
    } else if (message == WM_NOTIFY && reinterpret_cast<const NMHDR*>(lParam)->hwndFrom == Sheet()) {
        handled = OnSheetNotify(*reinterpret_cast<const NMHDR*>(lParam), result);
    } else if (ProcessWindowMessage(window_, message, wParam, lParam, result)) {
        handled = true;
    } else if (message == WM_COMMAND && lParam) {
        // The control sees its notification first (hint, colours), then the page acts.
        LRESULT ignored = 0;
        ReflectNotification(window_, message, wParam, lParam, ignored);
        handled = OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
    } else {
        handled = ReflectNotification(window_, message, wParam, lParam, result);
    }
    if (!handled)
        return FALSE;
    if (IsDirectDialogResult(message))
        return static_cast<INT_PTR>(result);
    SetWindowLongPtrW(window_, DWLP_MSGRESULT, result);
    return TRUE;
}

bool CPropertyPageImpl::OnSheetNotify(const NMHDR& header, LRESULT& result)
{
    bool handled = AnswerSheet(header.code, result);
    if (handled)
        OnSheetAnswered(header.code, result);
    return handled;
}

bool CPropertyPageImpl::AnswerSheet(UINT notification, LRESULT& result)
{
    switch (notification) {
    case PSN_SETACTIVE:
        result = OnSetActive();
        return true;
    case PSN_WIZNEXT:
        result = OnWizardNext();
        return true;
    case PSN_WIZBACK:
        result = OnWizardBack();
        return true;
    case PSN_WIZFINISH:
        result = OnWizardFinish() ? FALSE : TRUE;
        return true;
    case PSN_QUERYCANCEL:
        result = OnQueryCancel() ? FALSE : TRUE;
        return true;
    case PSN_KILLACTIVE:
        result = FALSE;
        return true;
    case PSN_APPLY:
        result = PSNRET_NOERROR;
        return true;
    default:
        return false;
    }
}
