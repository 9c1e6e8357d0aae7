#pragma once
#include "wizard/controls/simple_controls.h"
#include "wizard/controls/small_color_ctrl_base.h"

// A text box that shows a hint, centred and in its own colour, while it is empty and
// has no focus. A disabled box never shows its hint.
class CSmallSmartEdit : public CSimpleEdit, public CSmallColorCtrlBase
{
public:
    static const size_t kHintCapacity = 256;

    CSmallSmartEdit(UINT hintId, COLORREF hintColour);

    // Subclasses the edit, fetches the hint text in the current language and takes the
    // default GUI font for it.
    bool Attach(HWND edit);
    // Colour of the typed text until the text next changes (marks a refused field).
    void SetTextColour(COLORREF colour);

    bool ProcessWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                              LRESULT& result) override;

    const wchar_t* HintText() const { return hint_text_; }
    bool ShowsHint() const { return show_hint_; }

private:
    bool IsEmpty() const;
    void SetShowHint(bool show);
    void PaintHint();

    UINT hint_id_;
    bool show_hint_ = true;
    COLORREF hint_colour_;
    HFONT hint_font_ = nullptr;
    COLORREF background_colour_;
    COLORREF text_colour_;
    wchar_t hint_text_[kHintCapacity] = {};
};
