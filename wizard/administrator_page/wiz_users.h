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
    int OnWizardNext() override;
    int OnWizardBack() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;

private:
    void FillLogin();
    // Reads a box into `field`, trims it and shows the trimmed text; an empty result
    // marks the box. True when the field is not empty.
    bool TakeField(CSmallSmartEdit& box, wchar_t* field, int capacity);
    // Stores the fields and the password's digest: true when they are valid. Shows why
    // not, unless the run is unattended.
    bool CheckFields();
    void Warn(UINT messageId) const;

    CSmallSmartEdit name_;
    CSmallSmartEdit surname_;
    CSmallSmartEdit login_;
    CSmallSmartEdit password_;
    CSmallSmartEdit confirmation_;
    bool login_edited_ = false;
    // While the page itself writes the boxes, their changes are not the user's.
    bool writing_boxes_ = false;
};
