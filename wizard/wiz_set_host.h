#pragma once
#include "wizard/wizard_page.h"

// The domain-name page, shown when the server's domain name does not resolve.
// TO BE COMPLETED (domain-name issue): the explanation text 46 and the hosts entry that
// Next adds; the page now takes part in the flow only.
class CWizSetHost : public CWizardPage
{
public:
    CWizSetHost();

protected:
    BOOL OnInitDialog() override;
    int OnSetActive() override;
};
