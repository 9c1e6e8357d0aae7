#pragma once
#include "base/scoped_handle.h"
#include "wizard/framework/window_impl.h"

// A static text (with SS_NOTIFY) shown as a link: underlined, in the link colour, with
// the hand cursor; a click opens its address in the browser.
class CHyperLink : public CWindowImpl
{
public:
    static const size_t kAddressCapacity = 260;

    bool Attach(HWND text, const wchar_t* address);
    const wchar_t* Address() const { return address_; }

    bool ProcessWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                              LRESULT& result) override;

private:
    wchar_t address_[kAddressCapacity] = {};
    UniqueGdiObject font_;
};
