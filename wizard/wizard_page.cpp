#include "wizard/wizard_page.h"

#include <prsht.h>

#include "base/install_settings.h"
#include "base/message_ids.h"
#include "base/setup_log.h"
#include "formats/language/message_box.h"
#include "resources/wizard_ids.h"

CWizardPage::CWizardPage(UINT dialogId) : CPropertyPageImpl(dialogId, IDS_WIZARD_TITLE)
{
}

bool CWizardPage::OnQueryCancel()
{
    return quiet_run_stopped_ || ConfirmWizardCancel();
}

int CWizardPage::OnWizardNext()
{
    return NextAccepted() ? Flow(FlowEvent::kNext).answer : kStayOnPage;
}

int CWizardPage::OnWizardBack()
{
    return Flow(FlowEvent::kBack).answer;
}

FlowStep CWizardPage::Flow(FlowEvent event) const
{
    return NextStep(static_cast<int>(DialogId()), event, FlowFactsOf(g_settings));
}

int CWizardPage::AfterCheckingItself(bool passed, const wchar_t* why)
{
    if (passed)
        return Flow(FlowEvent::kCheckedItself).answer;
    if (g_settings.run_mode == RunMode::kQuiet)
        StopQuietRun(why);
    return kDefaultPage;
}

void CWizardPage::OnSheetAnswered(UINT notification, LRESULT result)
{
    const wchar_t* page = PageName(static_cast<int>(DialogId()));
    switch (notification) {
    case PSN_SETACTIVE:
        if (result == kDefaultPage)
            g_setupLog.Line(L"page %s: shown", page);
        else if (result != kStayOnPage)
            g_setupLog.Line(L"page %s: goes on by itself to %s", page, PageName(static_cast<int>(result)));
        break;
    case PSN_WIZNEXT:
    case PSN_WIZBACK: {
        const wchar_t* button = notification == PSN_WIZNEXT ? L"Next" : L"Back";
        if (result == kStayOnPage)
            g_setupLog.Line(L"page %s: %s refused, the page stays", page, button);
        else
            g_setupLog.Line(L"page %s: %s to %s", page, button,
                            result == kDefaultPage ? L"the following page" : PageName(static_cast<int>(result)));
        break;
    }
    case PSN_QUERYCANCEL:
        g_setupLog.Line(L"page %s: Cancel %s", page, result ? L"leaves the wizard open" : L"closes the wizard");
        break;
    case PSN_WIZFINISH:
        g_setupLog.Line(L"page %s: Finish", page);
        break;
    default:
        break;
    }
}

void CWizardPage::StopQuietRun(const wchar_t* why)
{
    g_setupLog.Line(L"page %s: the quiet run stops: %s", PageName(static_cast<int>(DialogId())), why);
    quiet_run_stopped_ = true;
    // Posted: the sheet may still be switching to this page.
    PostMessageW(Sheet(), PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
}

bool ConfirmWizardCancel()
{
    return ShowMessage(GetActiveWindow(), kQuestionMessage, kCancelQuestion) == IDYES;
}

const wchar_t* PageName(int dialogId)
{
    switch (dialogId) {
    case IDD_WIZ_WELCOME:
        return L"welcome";
    case IDD_WIZ_LICENSE:
        return L"agreement";
    case IDD_WIZ_SETCONF:
        return L"settings";
    case IDD_WIZ_SETHOST:
        return L"domain name";
    case IDD_WIZ_USERS:
        return L"administrator";
    case IDD_WIZ_INSTALL:
        return L"progress";
    default:
        return L"?";
    }
}
