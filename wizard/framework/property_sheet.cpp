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
    INT_PTR result = PropertySheetW(&header);
    creating_ = nullptr;
    return result;
}

int CALLBACK CPropertySheetImpl::SheetCallback(HWND window, UINT message, LPARAM)
{
    if (message == PSCB_INITIALIZED && creating_ && creating_->SubclassWindow(window))
        creating_->OnSheetInitialized();
    return 0;
}
