#include "install/install_harness.h"

#include <commctrl.h>

#include "base/message_pump.h"
#include "engine/install_sequence.h"
#include "engine/payload_extractor.h"

namespace {

const wchar_t kPageClass[] = L"VelmoraInstallHarnessPage";

} // namespace

InstallHarness::InstallHarness() : buffers_(2 * kPayloadBufferSize)
{
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    WNDCLASSW pageClass = {};
    pageClass.lpfnWndProc = PageProc;
    pageClass.hInstance = GetModuleHandleW(nullptr);
    pageClass.lpszClassName = kPageClass;
    RegisterClassW(&pageClass);

    frame_ = CreateWindowW(L"STATIC", L"frame", WS_OVERLAPPED, 0, 0, 400, 300, nullptr, nullptr,
                           nullptr, nullptr);
    page_.window = CreateWindowW(kPageClass, L"", WS_CHILD, 0, 0, 400, 300, frame_, nullptr,
                                 nullptr, nullptr);
    SetWindowLongPtrW(page_.window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    page_.stepList = CreateWindowW(WC_LISTVIEWW, L"", WS_CHILD | LVS_LIST, 0, 0, 300, 200,
                                   page_.window, nullptr, nullptr, nullptr);
    for (int row = 0; row < kInstallStepCount; ++row) {
        LVITEMW item = {};
        item.mask = LVIF_TEXT;
        item.iItem = row;
        item.pszText = const_cast<wchar_t*>(L"step");
        SendMessageW(page_.stepList, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    }
    page_.statusLine = CreateWindowW(L"STATIC", L"", WS_CHILD, 0, 250, 300, 20, page_.window,
                                     nullptr, nullptr, nullptr);
    page_.buffers[0] = buffers_.data();
    page_.buffers[1] = buffers_.data() + kPayloadBufferSize;
}

InstallHarness::~InstallHarness()
{
    DestroyWindow(frame_);
}

void InstallHarness::RunWorker()
{
    HANDLE worker = CreateThread(nullptr, 0, InstallThreadProc, &page_, 0, nullptr);
    WaitWithMessagePump(worker);
    CloseHandle(worker);
    // Reports posted just before the worker ended are still in the queue.
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&message);
}

std::wstring InstallHarness::StatusLine() const
{
    wchar_t text[512] = {};
    GetWindowTextW(page_.statusLine, text, 512);
    return text;
}

LRESULT CALLBACK InstallHarness::PageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<InstallHarness*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self && message == WM_INSTALL_PROGRESS) {
        self->reports_.push_back({LOWORD(wParam), HIWORD(wParam), static_cast<int>(lParam)});
        return 1;
    }
    if (self && message == WM_INSTALL_CLOSE) {
        self->closeRequested_ = true;
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}
