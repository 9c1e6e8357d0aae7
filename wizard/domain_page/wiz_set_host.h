#pragma once
#include "wizard/wizard_page.h"

// The domain-name page, shown when the server's domain name does not resolve: it offers
// to make the name resolve on this computer through the system's hosts file. A quiet run
// takes the answer from velmorasetup.cfg.
class CWizSetHost : public CWizardPage
{
public:
    CWizSetHost();

protected:
    BOOL OnInitDialog() override;
    int OnSetActive() override;
    int OnWizardNext() override;

private:
    // Writes the hosts entry; false after a failure, which is shown, so that the user may
    // retry or go on without adding.
    bool AddHostsEntry();
    // A quiet run's answer to the page, from velmorasetup.cfg's hosts_entry: on to the
    // administrator page, or the run stops without it (or when the entry fails).
    int AnswerFromSettings();
};
