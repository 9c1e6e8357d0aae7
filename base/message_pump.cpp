#include "base/message_pump.h"

#include "base/bounded_wait.h"

bool WaitWithMessagePump(HANDLE handle, DWORD limitMs, const wchar_t* what)
{
    bool quitSeen = false;
    WPARAM quitCode = 0;
    bool signalled = false;
    DWORD error = ERROR_SUCCESS;
    const DWORD start = GetTickCount();
    for (;;) {
        const DWORD waited = GetTickCount() - start;
        if (waited >= limitMs) {
            LogWaitEndedByTime(what, limitMs);
            error = ERROR_TIMEOUT;
            break;
        }
        DWORD wake = MsgWaitForMultipleObjects(1, &handle, FALSE, limitMs - waited, QS_ALLINPUT);
        if (wake == WAIT_OBJECT_0 || wake == WAIT_ABANDONED_0) {
            signalled = true;
            break;
        }
        if (wake == WAIT_TIMEOUT)
            continue;
        if (wake != WAIT_OBJECT_0 + 1) {
            error = GetLastError();
            break; // an invalid handle would otherwise wake us at once, forever
        }
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
    if (quitSeen)
        PostQuitMessage(static_cast<int>(quitCode));
    SetLastError(error);
    return signalled;
}
