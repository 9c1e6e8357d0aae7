#include "wizard/controls/small_color_edit.h"

#include "wizard/framework/reflection.h"

bool CSmallColorEdit::ProcessWindowMessage(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam, LRESULT& result)
{
    switch (message) {
    case OCM__BASE + WM_CTLCOLORSTATIC: {  // what a read-only edit asks for
        HDC dc = reinterpret_cast<HDC>(wParam);
        SetBkColor(dc, GetSysColor(COLOR_WINDOW));
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        result = reinterpret_cast<LRESULT>(Brush());
        return true;
    }
    case WM_CONTEXTMENU:
        result = 0;
        return true;
    default:
        return CSimpleEdit::ProcessWindowMessage(window, message, wParam, lParam, result);
    }
}
