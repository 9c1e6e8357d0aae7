#pragma once
#include <windows.h>
#include <commctrl.h>

#include "wizard/framework/property_page.h"
#include "wizard/framework/window_impl.h"

// A modal property sheet over pages that live as long as the sheet object. The sheet's
// own window is subclassed as soon as it exists, so derived sheets can handle its
// messages (painting, for instance) in ProcessWindowMessage.
class CPropertySheetImpl : public CWindowImpl
{
public:
    static const UINT kMaxPages = 8;

    explicit CPropertySheetImpl(DWORD flags);

    // False (ERROR_NOT_ENOUGH_MEMORY) when the sheet is full.
    bool AddPage(CPropertyPageImpl& page);
    // Runs the sheet; returns the property sheet's result: positive after Finish, 0 after
    // Cancel, -1 when it could not be shown (or ended through a quit message).
    INT_PTR DoModal(HWND owner);
    // False after DoModal when the sheet's window was never made; the reason is then the
    // thread's last error.
    bool WasCreated() const { return created_; }

protected:
    // The sheet's window exists and is subclassed; no page is shown yet.
    virtual void OnSheetInitialized() {}

private:
    static int CALLBACK SheetCallback(HWND window, UINT message, LPARAM lParam);

    DWORD flags_;
    PROPSHEETPAGEW pages_[kMaxPages];
    UINT page_count_ = 0;
    bool created_ = false;
    // The sheet that PropertySheetW is building: the call-back carries no user value.
    // Sheets are only run on the interface thread, one at a time.
    static CPropertySheetImpl* creating_;
};
