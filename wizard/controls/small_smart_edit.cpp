#include "wizard/controls/small_smart_edit.h"

#include "formats/language/language.h"
#include "wizard/framework/reflection.h"

CSmallSmartEdit::CSmallSmartEdit(UINT hintId, COLORREF hintColour)
    : CSmallColorCtrlBase(GetSysColor(COLOR_WINDOW)),
      hint_id_(hintId),
      hint_colour_(hintColour),
      background_colour_(GetSysColor(COLOR_WINDOW)),
      text_colour_(GetSysColor(COLOR_WINDOWTEXT))
{
}

bool CSmallSmartEdit::Attach(HWND edit)
{
    if (!SubclassWindow(edit))
        return false;
    hint_text_[0] = L'\0';
    g_language.GetString(hint_id_, hint_text_, kHintCapacity);
    hint_font_ = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    return true;
}

void CSmallSmartEdit::SetTextColour(COLORREF colour)
{
    text_colour_ = colour;
    if (Window())
        InvalidateRect(Window(), nullptr, TRUE);
}

bool CSmallSmartEdit::IsEmpty() const
{
    return GetWindowTextLengthW(Window()) == 0;
}

void CSmallSmartEdit::SetShowHint(bool show)
{
    if (show_hint_ == show)
        return;
    show_hint_ = show;
    InvalidateRect(Window(), nullptr, TRUE);
}

bool CSmallSmartEdit::ProcessWindowMessage(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam, LRESULT& result)
{
    switch (message) {
    case OCM__BASE + WM_COMMAND:
        switch (HIWORD(wParam)) {
        case EN_SETFOCUS:
            SetShowHint(false);
            return true;
        case EN_KILLFOCUS:
            SetShowHint(IsEmpty());
            return true;
        case EN_UPDATE:
            SetShowHint(IsEmpty());
            text_colour_ = GetSysColor(COLOR_WINDOWTEXT);
            return true;
        default:
            break;
        }
        break;
    case OCM__BASE + WM_CTLCOLOREDIT: {
        HDC dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, text_colour_);
        SetBkColor(dc, background_colour_);
        result = reinterpret_cast<LRESULT>(Brush());
        return true;
    }
    case WM_PAINT:
        result = DefaultProc(message, wParam, lParam);
        if (show_hint_ && result == 0 && IsWindowEnabled(window))
            PaintHint();
        return true;
    default:
        break;
    }
    return CSimpleEdit::ProcessWindowMessage(window, message, wParam, lParam, result);
}

void CSmallSmartEdit::PaintHint()
{
    HDC dc = GetDC(Window());
    if (!dc)
        return;
    int saved = SaveDC(dc);
    SelectObject(dc, hint_font_);
    RECT client = {};
    GetClientRect(Window(), &client);
    int length = lstrlenW(hint_text_);
    SIZE extent = {};
    GetTextExtentPoint32W(dc, hint_text_, length, &extent);
    SetTextColor(dc, hint_colour_);
    SetBkMode(dc, TRANSPARENT);
    TextOutW(dc, (client.right - client.left - extent.cx) / 2,
             (client.bottom - client.top - extent.cy) / 2, hint_text_, length);
    RestoreDC(dc, saved);
    ReleaseDC(Window(), dc);
}
