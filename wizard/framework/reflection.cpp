#include "wizard/framework/reflection.h"

namespace {

bool IsColourRequest(UINT message)
{
    return message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC;
}

HWND NotificationSender(HWND parent, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (IsColourRequest(message))
        return reinterpret_cast<HWND>(lParam);
    switch (message) {
    case WM_COMMAND:
        return reinterpret_cast<HWND>(lParam);  // null for menus and accelerators
    case WM_NOTIFY:
        return lParam ? reinterpret_cast<const NMHDR*>(lParam)->hwndFrom : nullptr;
    case WM_PARENTNOTIFY:
        if (LOWORD(wParam) == WM_CREATE || LOWORD(wParam) == WM_DESTROY)
            return reinterpret_cast<HWND>(lParam);
        return GetDlgItem(parent, HIWORD(wParam));
    case WM_DRAWITEM:
        return wParam ? reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)->hwndItem : nullptr;
    case WM_MEASUREITEM:
        return wParam ? GetDlgItem(parent, reinterpret_cast<const MEASUREITEMSTRUCT*>(lParam)->CtlID)
                      : nullptr;
    case WM_COMPAREITEM:
        return wParam ? reinterpret_cast<const COMPAREITEMSTRUCT*>(lParam)->hwndItem : nullptr;
    case WM_DELETEITEM:
        return wParam ? reinterpret_cast<const DELETEITEMSTRUCT*>(lParam)->hwndItem : nullptr;
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_HSCROLL:
    case WM_VSCROLL:
        return reinterpret_cast<HWND>(lParam);
    default:
        return nullptr;
    }
}

} // namespace

bool ReflectNotification(HWND parent, UINT message, WPARAM wParam, LPARAM lParam,
                         LRESULT& result)
{
    HWND sender = NotificationSender(parent, message, wParam, lParam);
    if (!sender || sender == parent || GetParent(sender) != parent)
        return false;
    result = SendMessageW(sender, OCM__BASE + message, wParam, lParam);
    return true;
}

bool DefaultReflectionHandler(HWND control, UINT message, WPARAM wParam, LPARAM lParam,
                              LRESULT& result)
{
    if (message < OCM__BASE || message > OCM__LAST)
        return false;
    result = DefWindowProcW(control, message - OCM__BASE, wParam, lParam);
    return true;
}

bool IsDirectDialogResult(UINT message)
{
    switch (message) {
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_INITDIALOG:
    case WM_QUERYDRAGICON:
        return true;
    default:
        return IsColourRequest(message);
    }
}
