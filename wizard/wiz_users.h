#pragma once
#include "wizard/controls/small_smart_edit.h"
#include "wizard/wizard_page.h"

// The administrator account page.
// TO BE COMPLETED (administrator-page issue): trimming, the login filled from name and
// surname, the Next check with its messages and the unattended check on activation; the
// page now takes part in the flow only.
class CWizUsers : public CWizardPage
{
public:
    CWizUsers();

protected:
    BOOL OnInitDialog() override;
    int OnSetActive() override;
    int OnWizardBack() override;

private:
    CSmallSmartEdit name_;
    CSmallSmartEdit surname_;
    CSmallSmartEdit login_;
    CSmallSmartEdit password_;
    CSmallSmartEdit confirmation_;
};
