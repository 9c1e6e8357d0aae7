#pragma once
#include "wizard/wizard_page.h"

// The domain-name page, shown when the server's domain name does not resolve: it offers
// to make the name resolve on this computer through the system's hosts file.
class CWizSetHost : public CWizardPage
{
public:
    CWizSetHost();

protected:
    BOOL OnInitDialog() override;
    int OnSetActive() override;
    int OnWizardNext() override;

private:
    // With the hosts choice ticked, writes the hosts entry: the next page, or stay after a
    // failure, which is shown, so that the user may retry or go on without adding.
    int AddHostsEntry();
};
