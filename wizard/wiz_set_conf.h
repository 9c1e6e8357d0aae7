#pragma once
#include "wizard/controls/small_smart_edit.h"
#include "wizard/wizard_page.h"

// The settings page: folder, address, service name and certificate.
// TO BE COMPLETED (settings-page issue): the address list, the certificate, the folder
// and service browsing and every check of Next; the page now takes part in the flow only.
class CWizSetConf : public CWizardPage
{
public:
    CWizSetConf();

    // Where Next leads once the page's checks passed: the domain page when the domain
    // name does not resolve, the progress page for an interactive upgrade, else the
    // administrator page.
    static int NextPageAfterChecks();

protected:
    BOOL OnInitDialog() override;
    int OnSetActive() override;
    int OnWizardNext() override;
    int OnWizardBack() override;

private:
    CSmallSmartEdit folder_;
    CSmallSmartEdit service_name_;
};
