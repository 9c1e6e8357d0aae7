#include "wizard/framework/property_sheet.h"

CPropertySheetImpl* CPropertySheetImpl::creating_ = nullptr;

CPropertySheetImpl::CPropertySheetImpl(DWORD flags) : flags_(flags), pages_()
{
}

bool CPropertySheetImpl::AddPage(CPropertyPageImpl& page)
{
    if (page_count_ >= kMaxPages) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    pages_[page_count_++] = page.Description();
    return true;
}

INT_PTR CPropertySheetImpl::DoModal(HWND owner)
{
    PROPSHEETHEADERW header = {};
    header.dwSize = sizeof(header);
    header.dwFlags = flags_ | PSH_PROPSHEETPAGE | PSH_USECALLBACK;
    header.hwndParent = owner;
    header.hInstance = GetModuleHandleW(nullptr);
    header.nPages = page_count_;
    header.nStartPage = 0;
    header.ppsp = pages_;
    header.pfnCallback = SheetCallback;
    creating_ = this;
    created_ = false;
    INT_PTR result = PropertySheetW(&header);
    const DWORD error = GetLastError();
    creating_ = nullptr;
    // Without a window no page ran, whatever the call answers: Wine without a display
    // answers 0, as after Cancel.
    if (!created_) {
        SetLastError(error != NO_ERROR ? error : ERROR_INVALID_WINDOW_HANDLE);
        return -1;
    }
    return result;
}

int CALLBACK CPropertySheetImpl::SheetCallback(HWND window, UINT message, LPARAM)
{
    if (message == PSCB_INITIALIZED && creating_) {
        creating_->created_ = true;
        if (creating_->SubclassWindow(window))
            creating_->OnSheetInitialized();
    }
    return 0;
}
