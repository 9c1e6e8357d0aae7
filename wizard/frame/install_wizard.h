#pragma once
#include "base/scoped_handle.h"
#include "wizard/administrator_page/wiz_users.h"
#include "wizard/agreement_page/wiz_license.h"
#include "wizard/domain_page/wiz_set_host.h"
#include "wizard/framework/property_sheet.h"
#include "wizard/progress_page/wiz_install.h"
#include "wizard/settings_page/wiz_set_conf.h"
#include "wizard/welcome_page/wiz_welcome.h"

// The setup wizard: a Wizard 97 property sheet of six pages under a painted banner.
class CInstallWizard : public CPropertySheetImpl
{
public:
    CInstallWizard();

    // Runs the wizard modally over `owner`; returns the setup's exit code (1 installed,
    // 2 the installation failed or was cancelled, 0 cancelled before it, -1 no wizard).
    int RunWizard(HWND owner);

    bool ProcessWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                              LRESULT& result) override;

private:
    void PaintBackground(HDC dc) const;
    int HeaderBandHeight() const;
    // True once a page stopped a quiet run.
    bool QuietRunStopped() const;
    // After a run that only said what it would change: tells it, the exit code.
    int TellPreview(int runExitCode) const;

    // The run's changes to the machine, lent to every page; first made, last gone.
    ChangeTransaction changes_;
    // What the run would change, when it is only to say so (/whatif).
    ChangePreview preview_;

    CWizWelcome welcome_;
    CWizLicense license_;
    CWizSetConf settings_;
    CWizSetHost domain_;
    CWizUsers administrator_;
    CWizInstall progress_;
    UniqueGdiObject banner_;
};

// Creates the wizard, runs it over `owner` and destroys it: the setup's exit code.
int RunWizard(HWND owner);
