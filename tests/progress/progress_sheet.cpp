#include "progress/progress_sheet.h"

#include <commctrl.h>

#include "resources/wizard_ids.h"
#include "wizard/framework/property_sheet.h"
#include "wizard/progress_page/wiz_install.h"
#include "wizard/setup_exit_code.h"

namespace {

class ProgressSheet : public CPropertySheetImpl
{
public:
    ProgressSheet() : CPropertySheetImpl(PSH_WIZARD97 | PSH_HEADER)
    {
        page_.LendChanges(changes_);
        AddPage(page_);
    }

    int Run()
    {
        INT_PTR result = DoModal(nullptr);
        MSG quit;
        PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
        return SetupExitCode(result, page_.Outcome());
    }

private:
    ChangeTransaction changes_;
    CWizInstall page_;
};

// A run that the script left open ends as a person would end it: Cancel (confirmed),
// then Finish once the worker has stopped.
void CloseWhatIsOpen(WizardDriver& wizard)
{
    if (!IsWindow(wizard.Sheet()))
        return;
    if (!wizard.ButtonEnabled(WizardDriver::kFinishButton))
        PostMessageW(wizard.Sheet(), PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    WaitUntil([&] { return !IsWindow(wizard.Sheet()) || wizard.ButtonEnabled(WizardDriver::kFinishButton); },
              240000);
    if (IsWindow(wizard.Sheet()))
        PostMessageW(wizard.Sheet(), PSM_PRESSBUTTON, PSBTN_FINISH, 0);
}

} // namespace

ProgressRun RunProgressPage(const std::function<void(WizardDriver&)>& script,
                            MessageBoxWatcher::Answer answer)
{
    ProgressRun run;
    DriveSheet(run, [&] { run.exitCode = ProgressSheet().Run(); }, script, CloseWhatIsOpen, answer);
    return run;
}

ProgressView ReadProgress(const WizardDriver& wizard)
{
    ProgressView view;
    HWND list = wizard.Item(IDC_PROGRESS_STEPS);
    int rows = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < rows; ++row) {
        LVITEMW item = {};
        item.mask = LVIF_IMAGE;
        item.iItem = row;
        SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
        view.images.push_back(item.iImage);
    }
    view.bar = static_cast<int>(SendMessageW(wizard.Item(IDC_PROGRESS_BAR), PBM_GETPOS, 0, 0));
    return view;
}

void WatchProgress(const WizardDriver& wizard, std::vector<ProgressView>& views,
                   const std::function<bool(const ProgressView&)>& seen)
{
    WaitUntil([&] {
        ProgressView view = ReadProgress(wizard);
        if (views.empty() || !(views.back() == view))
            views.push_back(view);
        return seen ? seen(view) : wizard.ButtonEnabled(WizardDriver::kFinishButton);
    }, 240000);
    views.push_back(ReadProgress(wizard));
}
