#include "wizard/window_centering.h"

POINT CenteredPosition(const RECT& window, const RECT* owner, const RECT& workArea)
{
    const LONG width = window.right - window.left;
    const LONG height = window.bottom - window.top;
    const RECT& centre = owner ? *owner : workArea;
    POINT position = {centre.left + (centre.right - centre.left - width) / 2,
                      centre.top + (centre.bottom - centre.top - height) / 2};
    if (position.x + width > workArea.right)
        position.x = workArea.right - width;
    if (position.y + height > workArea.bottom)
        position.y = workArea.bottom - height;
    if (position.x < workArea.left)
        position.x = workArea.left;
    if (position.y < workArea.top)
        position.y = workArea.top;
    return position;
}

void CenterInWorkArea(HWND window)
{
    RECT workArea = {};
    if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0))
        return;
    RECT rect = {};
    GetWindowRect(window, &rect);
    HWND owner = GetWindow(window, GW_OWNER);
    RECT ownerRect = {};
    bool useOwner = owner && IsWindowVisible(owner) && !IsIconic(owner) &&
                    GetWindowRect(owner, &ownerRect);
    POINT position = CenteredPosition(rect, useOwner ? &ownerRect : nullptr, workArea);
    SetWindowPos(window, nullptr, position.x, position.y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
