#include "wizard/progress_page/wiz_install.h"

#include <new>

#include "base/install_settings.h"
#include "base/message_ids.h"
#include "base/message_pump.h"
#include "engine/install_sequence.h"
#include "engine/payload_extractor.h"
#include "engine/server_address.h"
#include "formats/language/language.h"
#include "formats/language/message_box.h"
#include "resources/wizard_ids.h"
#include "wizard/open_address.h"

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
                              0, nullptr)),
      answered_(CreateEventW(nullptr, TRUE, TRUE, nullptr))
{
    for (int i = 0; i < 2; ++i) {
        buffers_[i].reset(new (std::nothrow) BYTE[kPayloadBufferSize]);
        job_.buffers[i] = buffers_[i].get();
    }
}

CWizInstall::~CWizInstall()
{
    StopInstallation();
}

InstallOutcome CWizInstall::Outcome() const
{
    if (!started_)
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

    job_.reporter = &logged_;
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
    if (!started_ && !StartWorker()) {
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
    started_ = true;
    if (!job_.buffers[0] || !job_.buffers[1] || !answered_) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    worker_thread_.Reset(CreateThread(nullptr, 0, InstallThreadProc, &job_, 0, nullptr));
    return worker_thread_.IsValid();
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
    if (((allStepsDone && NobodyAnswers(g_settings.run_mode)) || g_settings.run_mode == RunMode::kQuiet) && !stopping_)
        DestroyWindow(Window());
    else
        OfferFinish();
}

void CWizInstall::StepChanged(int step, StepState state, int position, DWORD)
{
    PostMessageW(Window(), WM_INSTALL_PROGRESS, MAKEWPARAM(step, state), position);
}

void CWizInstall::Status(const wchar_t* text)
{
    // Sent, not posted: the text is the worker's.
    SendMessageW(status_.Window(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

void CWizInstall::Acknowledge(const wchar_t* text, UINT kind)
{
    ReportSink().Show(Window(), text, kind);
}

bool CWizInstall::CancelRequested()
{
    WaitForSingleObject(answered_.Get(), INFINITE);
    return job_.cancel_requested;
}

void CWizInstall::Ended(bool allStepsDone)
{
    PostMessageW(Window(), WM_INSTALL_ENDED, allStepsDone, 0);
}

bool CWizInstall::OnQueryCancel()
{
    return ConfirmCancel();
}

bool CWizInstall::ConfirmCancel()
{
    if (job_.cancel_requested)
        return false;
    if (RunEnded())
        return true;
    ResetEvent(answered_.Get());
    bool confirmed = ConfirmWizardCancel();
    if (confirmed)
        job_.cancel_requested = true;  // before the waiting worker reads the answer
    SetEvent(answered_.Get());
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
    if (RunFailed())
        return true;
    wchar_t address[260] = {};
    BuildServerAddress(address, 260, 259);
    OpenAddress(address);
    return true;
}

void CWizInstall::StopInstallation()
{
    // A wait that pumps may bring a second stop (the window's destruction during a
    // confirmed cancel); the first one still waits for the worker.
    if (!worker_thread_ || stopping_)
        return;
    stopping_ = true;
    job_.cancel_requested = true;
    // A question still open (the window goes under it) must not hold the worker.
    SetEvent(answered_.Get());
    WaitWithMessagePump(worker_thread_.Get());
    worker_thread_.Reset();
    stopping_ = false;
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
