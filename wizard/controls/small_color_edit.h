#pragma once
#include "wizard/controls/simple_controls.h"
#include "wizard/controls/small_color_ctrl_base.h"

// A read-only text box that keeps the look of an editable one: its background is the
// construction colour instead of the grey of read-only boxes, and it has no context menu.
class CSmallColorEdit : public CSimpleEdit, public CSmallColorCtrlBase
{
public:
    explicit CSmallColorEdit(COLORREF background) : CSmallColorCtrlBase(background) {}

    bool ProcessWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                              LRESULT& result) override;
};
