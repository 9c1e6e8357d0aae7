#pragma once
#include "wizard/controls/simple_controls.h"
#include "wizard/controls/small_color_edit.h"
#include "wizard/wizard_page.h"

// The end-user agreement: the wizard goes on only while its box is ticked. The tick is
// read from the control each time, so it survives going back and forth.
class CWizLicense : public CWizardPage
{
public:
    CWizLicense();

protected:
    BOOL OnInitDialog() override;
    int OnSetActive() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;

private:
    void UpdateButtons();

    CSmallColorEdit text_;
    CSimpleButton accept_;
};
