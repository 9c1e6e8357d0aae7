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
    bool NextAccepted() override;

private:
    // Writes the hosts entry; false after a failure, which is shown, so that the user may
    // retry or go on without adding.
    bool AddHostsEntry();
    // A quiet run's answer to the page, from velmorasetup.cfg's hosts_entry: true when it
    // was carried out; otherwise `why` (of `capacity` characters) tells why not.
    bool AnswerFromSettings(wchar_t* why, size_t capacity);
};
