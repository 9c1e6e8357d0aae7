#pragma once
#include "wizard/framework/window_impl.h"

// Wrappers over standard controls of a page's template that add nothing but answer the
// page's reflected notifications with the system's defaults.
class CSimpleControl : public CWindowImpl
{
public:
    bool ProcessWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                              LRESULT& result) override;
};

class CSimpleEdit : public CSimpleControl {};
class CSimpleStatic : public CSimpleControl {};
class CSimpleButton : public CSimpleControl {};
class CSimpleComboBox : public CSimpleControl {};
class CSimpleListViewCtrl : public CSimpleControl {};
class CSimpleProgressBarCtrl : public CSimpleControl {};
