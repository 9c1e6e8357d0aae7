#include "wizard/host_window.h"

#include "wizard/framework/reflection.h"

namespace {

const wchar_t kClass[] = L"VelmoraTestHost";

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (ReflectNotification(window, message, wParam, lParam, result))
        return result;
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

HostWindow::HostWindow()
{
    WNDCLASSW cls = {};
    cls.lpfnWndProc = HostProc;
    cls.hInstance = GetModuleHandleW(nullptr);
    cls.lpszClassName = kClass;
    RegisterClassW(&cls);  // already registered by an earlier host: fine
    window_ = CreateWindowExW(0, kClass, L"host", WS_OVERLAPPEDWINDOW, 40, 40, 320, 200, nullptr, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
}

HWND HostWindow::AddChild(const wchar_t* cls, DWORD style, int id, int y)
{
    return CreateWindowExW(0, cls, L"", WS_CHILD | WS_VISIBLE | style, 10, y, 200, 24, window_,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
}
