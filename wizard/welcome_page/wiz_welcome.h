#pragma once
#include "base/scoped_handle.h"
#include "wizard/controls/hyperlink.h"
#include "wizard/controls/simple_controls.h"
#include "wizard/wizard_page.h"

// The first page: greets the user, links to the maker and its online assistant, and
// centres the wizard on the screen.
class CWizWelcome : public CWizardPage
{
public:
    CWizWelcome();

protected:
    BOOL OnInitDialog() override;
    int OnSetActive() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;

private:
    CHyperLink maker_link_;
    CSimpleStatic description_;
    UniqueGdiObject notice_font_;  // the legal notice's smaller font
    bool left_by_itself_ = false;  // a quiet run pressed Next once
};
