#pragma once
#include "wizard/controls/simple_controls.h"
#include "wizard/controls/small_smart_edit.h"
#include "wizard/settings_page/certificate_image.h"
#include "wizard/settings_page/host_addresses.h"
#include "wizard/wizard_page.h"

// The settings page: installation folder, listening address, service name and the
// server's SSL certificate (the built-in one or an own PFX file).
class CWizSetConf : public CWizardPage
{
public:
    CWizSetConf();

protected:
    BOOL OnInitDialog() override;
    int OnSetActive() override;
    // The Next check (CheckSettingsPage): reads the controls, shows the trimmed fields, asks
    // what needs an answer and shows why the page stays.
    bool NextAccepted() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;

private:
    void FillAddresses();
    void BrowseForFolder();
    void BrowseForCertificate();
    void SwitchCertificate();
    void LoadOwnCertificate();
    void RefreshCertificate();
    bool OwnCertificateEnabled() const;
    void ReadPassword(wchar_t* password, size_t capacity) const;


    CSmallSmartEdit folder_;
    CSimpleComboBox address_box_;
    AddressList addresses_;
    ULONG selected_address_ = 0;
    CSmallSmartEdit service_name_;
    CSimpleEdit certificate_path_;
    CCertificateImage certificate_;
    bool certificate_valid_ = false;
    // The unattended check runs on the first activation only, so that a person who goes
    // back to this page can stay on it.
    bool automatic_check_done_ = false;
    // The folder that the existing-folder question was settled for (asked or created).
    wchar_t settled_folder_[MAX_PATH] = {};
};
