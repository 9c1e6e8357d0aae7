#pragma once
#include "wizard/controls/small_smart_edit.h"
#include "wizard/wizard_page.h"

// The administrator account page: the first administrator's name, surname, login and
// password. The login follows name and surname until the user edits it; the password is
// kept only as its digest.
class CWizUsers : public CWizardPage
{
public:
    CWizUsers();

protected:
    BOOL OnInitDialog() override;
    int OnSetActive() override;
    bool NextAccepted() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;

private:
    void FillLogin();
    // CheckAdministratorPage on the boxes: shows the trimmed fields, marks the wrong
    // ones and shows the warning. True when the account is valid.
    bool CheckFields();

    CSmallSmartEdit name_;
    CSmallSmartEdit surname_;
    CSmallSmartEdit login_;
    CSmallSmartEdit password_;
    CSmallSmartEdit confirmation_;
    bool login_edited_ = false;
    // While the page itself writes the boxes, their changes are not the user's.
    bool writing_boxes_ = false;
};
