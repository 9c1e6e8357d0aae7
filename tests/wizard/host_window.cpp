#include "wizard/host_window.h"

#include "wizard/framework/reflection.h"

namespace {
const wchar_t kClass[] = L"VelmoraTestHost";
}

HostWindow::HostWindow(bool visible)
{
    WNDCLASSW cls = {};
    cls.lpfnWndProc = Proc;
    cls.hInstance = GetModuleHandleW(nullptr);
    cls.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    cls.lpszClassName = kClass;
    cls.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    RegisterClassW(&cls);  // already registered by an earlier host: fine
    window_ = CreateWindowExW(0, kClass, L"host", WS_OVERLAPPEDWINDOW | (visible ? WS_VISIBLE : 0), 40, 40, 320, 200,
                              nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (visible)
        SetForegroundWindow(window_);
    Pump();
}

HostWindow::~HostWindow()
{
    DestroyWindow(window_);
    Pump();
}

HWND HostWindow::AddChild(const wchar_t* cls, DWORD style, int id, int y)
{
    HWND child = CreateWindowExW(0, cls, L"", WS_CHILD | WS_VISIBLE | style, 10, y, 200, 24, window_,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 GetModuleHandleW(nullptr), nullptr);
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    return child;
}

void HostWindow::Pump()
{
    MSG msg;
    for (int round = 0; round < 5; ++round) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(10);
    }
}

LRESULT CALLBACK HostWindow::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (ReflectNotification(window, message, wParam, lParam, result))
        return result;
    return DefWindowProcW(window, message, wParam, lParam);
}
