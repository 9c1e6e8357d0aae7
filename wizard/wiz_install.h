#pragma once
#include "wizard/wizard_page.h"

// The installation progress page, the wizard's last.
// TO BE COMPLETED (progress-page issue, which needs the installation sequence): the
// worker thread, the step list, bar and status line, the page's own cancel and Finish.
// Until then the page shows no wizard button and Cancel asks the common question.
class CWizInstall : public CWizardPage
{
public:
    CWizInstall();

protected:
    BOOL OnInitDialog() override;
    int OnSetActive() override;
};
