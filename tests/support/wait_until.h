#pragma once
#include <windows.h>
#include <functional>

// Polls `condition` every 20 ms until it holds or the time runs out.
inline bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = 5000)
{
    for (DWORD start = GetTickCount(); !condition(); Sleep(20))
        if (GetTickCount() - start >= timeoutMs)
            return false;
    return true;
}
