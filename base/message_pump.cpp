#include "base/message_pump.h"

bool WaitWithMessagePump(HANDLE handle)
{
    bool quitSeen = false;
    WPARAM quitCode = 0;
    bool signalled = false;
    for (;;) {
        DWORD wake = MsgWaitForMultipleObjects(1, &handle, FALSE, INFINITE, QS_ALLINPUT);
        if (wake == WAIT_OBJECT_0 || wake == WAIT_ABANDONED_0) {
            signalled = true;
            break;
        }
        if (wake != WAIT_OBJECT_0 + 1)
            break; // an invalid handle would otherwise wake us at once, forever
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                quitSeen = true;
                quitCode = message.wParam;
            } else {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
            Sleep(0);
        }
        Sleep(0);
    }
    DWORD error = GetLastError();
    if (quitSeen)
        PostQuitMessage(static_cast<int>(quitCode));
    SetLastError(error);
    return signalled;
}
