#include "wizard/framework/window_impl.h"

namespace {
// The window property that leads from a subclassed window back to its object.
const wchar_t kObjectProperty[] = L"VelmoraWindowObject";
// The window's own procedure, kept on the window for the case where the object goes
// away while a later subclass still calls through ours.
const wchar_t kPreviousProperty[] = L"VelmoraWindowPrevious";
}

CWindowImpl::~CWindowImpl()
{
    UnsubclassWindow();
}

bool CWindowImpl::ProcessWindowMessage(HWND, UINT, WPARAM, LPARAM, LRESULT&)
{
    return false;
}

void CWindowImpl::OnFinalMessage(HWND)
{
}

bool CWindowImpl::SubclassWindow(HWND window)
{
    if (!window || !IsWindow(window)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return false;
    }
    if (window_ || GetPropW(window, kObjectProperty)) {
        SetLastError(ERROR_ALREADY_EXISTS);
        return false;
    }
    if (!SetPropW(window, kObjectProperty, this))
        return false;
    window_ = window;
    previous_ = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
        window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(StaticWindowProc)));
    SetPropW(window, kPreviousProperty, reinterpret_cast<HANDLE>(previous_));
    return true;
}

HWND CWindowImpl::UnsubclassWindow()
{
    HWND window = window_;
    if (!window)
        return nullptr;
    // Only restore when nobody subclassed the window after us; otherwise their chain
    // still calls through our procedure, which then forwards without the object.
    if (reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window, GWLP_WNDPROC)) == StaticWindowProc) {
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_));
        RemovePropW(window, kPreviousProperty);
    }
    RemovePropW(window, kObjectProperty);
    window_ = nullptr;
    return window;
}

LRESULT CWindowImpl::DefaultProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    return CallWindowProcW(previous_, window_, message, wParam, lParam);
}

LRESULT CWindowImpl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (message != WM_NCDESTROY && ProcessWindowMessage(window_, message, wParam, lParam, result))
        return result;
    if (message != WM_NCDESTROY)
        return DefaultProc(message, wParam, lParam);
    // The last message: let the window finish, then detach before the hook runs.
    HWND window = window_;
    WNDPROC previous = previous_;
    UnsubclassWindow();
    result = CallWindowProcW(previous, window, message, wParam, lParam);
    OnFinalMessage(window);
    return result;
}

LRESULT CALLBACK CWindowImpl::StaticWindowProc(HWND window, UINT message, WPARAM wParam,
                                               LPARAM lParam)
{
    auto* object = static_cast<CWindowImpl*>(GetPropW(window, kObjectProperty));
    if (object && object->window_ == window)
        return object->WindowProc(message, wParam, lParam);
    // Detached while someone subclassed after us: pass straight on to the window's own.
    auto previous = reinterpret_cast<WNDPROC>(GetPropW(window, kPreviousProperty));
    if (message == WM_NCDESTROY)
        RemovePropW(window, kPreviousProperty);
    return previous ? CallWindowProcW(previous, window, message, wParam, lParam)
                    : ::DefWindowProcW(window, message, wParam, lParam);
}
