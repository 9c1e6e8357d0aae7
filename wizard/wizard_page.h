#pragma once
#include "wizard/framework/property_page.h"

// A page of the setup wizard: titled with the wizard's name, asking before a cancel.
class CWizardPage : public CPropertyPageImpl
{
public:
    explicit CWizardPage(UINT dialogId);

protected:
    // Asks message 37 with Yes and No; Yes lets the wizard close.
    bool OnQueryCancel() override;
};

// The cancel question of every page but the progress page: true when the user answers
// Yes. The box belongs to the active window.
bool ConfirmWizardCancel();
