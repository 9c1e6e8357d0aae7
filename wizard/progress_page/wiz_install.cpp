#include "wizard/progress_page/wiz_install.h"

#include "base/install_settings.h"
#include "base/message_ids.h"
#include "base/setup_log.h"
#include "base/setup_tools.h"
#include "engine/server_address.h"
#include "formats/config/server_config.h"
#include "formats/language/language.h"
#include "formats/language/message_box.h"
#include "resources/wizard_ids.h"
#include "wizard/open_address.h"
#include "wizard/progress_page/failure_presenter.h"
#include "wizard/progress_page/install_request_builder.h"

namespace {

const int kStateImageWidth = 18;
const int kStateImageHeight = 20;
const COLORREF kBarColour = RGB(134, 192, 128);

// Posted by the worker: wParam = step (low word) and StepState (high word), lParam = the
// bar's position 0 to 100.
const UINT WM_INSTALL_PROGRESS = WM_USER + 3;
// Posted by the worker at the end: wParam = every step done.
const UINT WM_INSTALL_ENDED = WM_USER + 4;

} // namespace

CWizInstall::CWizInstall()
    : CWizardPage(IDD_WIZ_INSTALL),
      title_font_(CreateFontW(15, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0,
                              0, nullptr))
{
}

CWizInstall::~CWizInstall()
{
    StopInstallation();
}

InstallOutcome CWizInstall::Outcome() const
{
    if (!runner_.Started() && !start_failed_)
        return InstallOutcome::NotStarted;
    return RunEnded() && !RunFailed() ? InstallOutcome::Succeeded : InstallOutcome::Failed;
}

BOOL CWizInstall::OnInitDialog()
{
    HWND window = Window();
    status_.SubclassWindow(GetDlgItem(window, IDC_PROGRESS_STATUS));
    steps_.SubclassWindow(GetDlgItem(window, IDC_PROGRESS_STEPS));
    bar_.SubclassWindow(GetDlgItem(window, IDC_PROGRESS_BAR));

    // The list shares the images (LVS_SHAREIMAGELISTS): CAlphaList frees them.
    images_.AddBitmap(IDB_STEP_STATES, kStateImageWidth, kStateImageHeight);
    SendMessageW(steps_.Window(), LVM_SETIMAGELIST, LVSIL_SMALL,
                 reinterpret_cast<LPARAM>(images_.Handle()));

    SendMessageW(bar_.Window(), PBM_SETBARCOLOR, 0, kBarColour);
    SendMessageW(bar_.Window(), PBM_SETRANGE32, 0, 100);
    SendMessageW(bar_.Window(), PBM_SETPOS, 0, 0);
    SendDlgItemMessageW(window, IDC_PROGRESS_TITLE, WM_SETFONT,
                        reinterpret_cast<WPARAM>(title_font_.Get()), FALSE);
    InsertSteps();
    g_language.TranslateDialog(window, IDD_WIZ_INSTALL);
    return TRUE;
}

void CWizInstall::InsertSteps()
{
    for (int row = 0; row < kInstallStepCount; ++row) {
        wchar_t text[256] = {};
        g_language.GetString(kInstallStepTexts[row], text, 256);
        LVITEMW item = {};
        item.mask = LVIF_TEXT | LVIF_IMAGE;
        item.iItem = row;
        item.pszText = text;
        item.iImage = -1;  // no state until the engine reaches the step
        SendMessageW(steps_.Window(), LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    }
}

int CWizInstall::OnSetActive()
{
    return StartInstallation();
}

int CWizInstall::StartInstallation()
{
    if (!runner_.Started() && !start_failed_ && !StartWorker()) {
        // Nothing will ever end this run: it failed, and Finish is the way out.
        start_failed_ = true;
    }
    if (RunEnded())
        OfferFinish();
    else
        SetWizardButtons(0);
    return kDefaultPage;
}

void CWizInstall::OfferFinish()
{
    SetWizardButtons(PSWIZB_FINISH);
    EnableWindow(GetDlgItem(Sheet(), IDCANCEL), FALSE);
}

bool CWizInstall::StartWorker()
{
    return BuildInstallRequest(g_settings, g_serverConfig, request_) && runner_.Start(request_, Changes());
}

LRESULT CWizInstall::OnInstallProgress(WPARAM wParam, LPARAM lParam)
{
    LVITEMW item = {};
    item.mask = LVIF_IMAGE;
    item.iItem = LOWORD(wParam);
    item.iImage = HIWORD(wParam);
    // A failed step is only shown: the worker set `failed` before reporting it.
    SendMessageW(steps_.Window(), LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    SendMessageW(bar_.Window(), PBM_SETPOS, static_cast<WPARAM>(lParam), 0);
    return 1;
}

void CWizInstall::OnInstallEnded(bool allStepsDone)
{
    // Nobody is there to press Finish after an unattended run, nor after a quiet one that
    // failed: destroying the page ends the wizard, with the outcome the flags tell. A page
    // already going stays as it is.
    // A run that only says what it would change ends at once: the list is what it has to show.
    if (((allStepsDone && (NobodyAnswers(g_settings.run_mode) || g_settings.whatif)) ||
         g_settings.run_mode == RunMode::kQuiet) &&
        !runner_.Stopping())
        DestroyWindow(Window());
    else
        OfferFinish();
}

void CWizInstall::StepChanged(int step, StepState state, int position)
{
    PostMessageW(Window(), WM_INSTALL_PROGRESS, MAKEWPARAM(step, state), position);
}

void CWizInstall::ShowStatus(const wchar_t* text)
{
    g_setupLog.Line(L"status: %s", text);
    // Sent, not posted: the text is the worker's.
    SendMessageW(status_.Window(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

void CWizInstall::Failed(const InstallFailure& failure)
{
    FailureTelling telling;
    TellFailure(failure, telling);
    ShowStatus(telling.status);
    if (!telling.box[0])
        return;
    // The service operations' own way, log line included.
    if (telling.ownerless)
        g_setupTools.ShowSystemError(failure.code);
    else
        ReportSink().Show(Window(), telling.box, telling.kind);
}

void CWizInstall::Ended(bool allStepsDone)
{
    if (allStepsDone && !g_settings.whatif) {
        wchar_t done[512] = {};
        SuccessStatus(done, 512);
        ShowStatus(done);
    }
    PostMessageW(Window(), WM_INSTALL_ENDED, allStepsDone, 0);
}

bool CWizInstall::OnQueryCancel()
{
    return ConfirmCancel();
}

bool CWizInstall::ConfirmCancel()
{
    if (runner_.Cancelling())
        return false;
    if (RunEnded())
        return true;
    runner_.HoldForAnswer();
    bool confirmed = ConfirmWizardCancel();
    runner_.Answer(confirmed);
    if (!confirmed)
        return false;
    // The engine fails its current step at its next check and removes a new
    // installation; the wizard stays open until Finish.
    StopInstallation();
    return false;
}

bool CWizInstall::OnWizardFinish()
{
    return OpenServerPage();
}

bool CWizInstall::OpenServerPage()
{
    if (RunFailed() || g_settings.whatif)
        return true;
    wchar_t address[260] = {};
    BuildServerAddress(request_, address, 260, 259);
    OpenAddress(address, g_settings.run_mode);
    return true;
}

void CWizInstall::StopInstallation()
{
    runner_.Stop();
}

bool CWizInstall::ProcessWindowMessage(HWND, UINT message, WPARAM wParam, LPARAM lParam,
                                       LRESULT& result)
{
    switch (message) {
    case WM_DESTROY:
        StopInstallation();
        // Ends the sheet's modal loop when the page goes first (an unattended run's end).
        PostQuitMessage(0);
        result = 0;
        return true;
    case WM_INSTALL_PROGRESS:
        result = OnInstallProgress(wParam, lParam);
        return true;
    case WM_INSTALL_ENDED:
        OnInstallEnded(wParam != 0);
        result = 0;
        return true;
    default:
        return false;
    }
}
