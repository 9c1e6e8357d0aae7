#include "wizard/controls/hyperlink.h"

#include "base/bounded_text.h"
#include "wizard/framework/reflection.h"
#include "wizard/open_address.h"

namespace {
const COLORREF kLinkColour = RGB(0, 102, 204);
}

bool CHyperLink::Attach(HWND text, const wchar_t* address)
{
    if (!SubclassWindow(text))
        return false;
    CopyText(address_, address);
    LOGFONTW underlined = {};
    HFONT current = reinterpret_cast<HFONT>(SendMessageW(text, WM_GETFONT, 0, 0));
    if (!current)
        current = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    if (GetObjectW(current, sizeof(underlined), &underlined)) {
        underlined.lfUnderline = TRUE;
        font_.Reset(CreateFontIndirectW(&underlined));
        if (font_)
            SendMessageW(text, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
    }
    return true;
}

bool CHyperLink::ProcessWindowMessage(HWND, UINT message, WPARAM wParam, LPARAM,
                                      LRESULT& result)
{
    switch (message) {
    case OCM__BASE + WM_CTLCOLORSTATIC: {
        HDC dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, kLinkColour);
        SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
        result = reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
        return true;
    }
    case OCM__BASE + WM_COMMAND:
        if (HIWORD(wParam) == STN_CLICKED)
            OpenAddress(address_, RunMode::kAttended);  // a click is a person's
        result = 0;
        return true;
    case WM_SETCURSOR:
        SetCursor(LoadCursorW(nullptr, IDC_HAND));
        result = TRUE;
        return true;
    default:
        return false;
    }
}
