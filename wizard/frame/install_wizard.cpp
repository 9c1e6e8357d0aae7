#include "wizard/frame/install_wizard.h"

#include <new>
#include <memory>

#include "base/bounded_text.h"
#include "base/install_settings.h"
#include "base/message_ids.h"
#include "base/setup_log.h"
#include "base/setup_tools.h"
#include "formats/language/language.h"
#include "formats/language/message_box.h"
#include "wizard/setup_exit_code.h"
#include "resources/wizard_ids.h"
#include "wizard/frame/banner.h"

CInstallWizard::CInstallWizard()
    // PSH_HEADER only makes every comctl32 keep the header band above the pages free for
    // the banner; no header bitmap is given and the sheet's own header drawing is
    // suppressed in WM_PAINT.
    : CPropertySheetImpl(PSH_WIZARD97 | PSH_HEADER),
      banner_(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDB_BANNER), IMAGE_BITMAP,
                         0, 0, LR_DEFAULTCOLOR))
{
    AddPage(welcome_);
    AddPage(license_);
    AddPage(settings_);
    AddPage(domain_);
    AddPage(administrator_);
    AddPage(progress_);
    CWizardPage* const pages[] = {&welcome_, &license_, &settings_, &domain_, &administrator_, &progress_};
    for (CWizardPage* page : pages)
        page->LendChanges(changes_);
    if (g_settings.whatif)
        changes_.PreviewInto(preview_);
}

int CInstallWizard::RunWizard(HWND owner)
{
    INT_PTR sheetResult = DoModal(owner);
    const DWORD sheetError = GetLastError();
    // The progress page posts the quit message that ends the sheet's loop when it goes
    // first; it must not end a later loop of this thread.
    MSG quit;
    PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    // Cancelled on a page, or the run could not start: what the pages changed (folder,
    // certificate, hosts file) goes. The page's window is gone, and with it the worker,
    // which settled the transaction itself when it ran.
    if (progress_.Outcome() != InstallOutcome::Succeeded)
        changes_.RollBack();
    // Nothing ran, and nobody may have seen a thing (a quiet run, a session without a
    // display): the log and the code say so, never a plain cancel.
    if (!WasCreated()) {
        wchar_t reason[512] = {};
        g_setupTools.FormatSystemError(sheetError, reason, 512);
        g_setupLog.Line(L"wizard: its window could not be created (system error %lu)", sheetError);
        ShowMessage(nullptr, kErrorMessage, kWizardNotCreated, reason);
        return kExitFailure;
    }
    const int exitCode =
        SetupExitCode(sheetResult, QuietRunStopped() ? InstallOutcome::Unanswered : progress_.Outcome());
    return changes_.Previewing() ? TellPreview(exitCode) : exitCode;
}

int CInstallWizard::TellPreview(int runExitCode) const
{
    // A refusal ends as the run would have; what was said up to it is in the log all the same.
    wchar_t heading[256] = {};
    g_language.GetString(kWhatTheRunWouldChange, heading, 256);
    g_setupLog.Line(L"whatif: %s", heading);
    for (const ChangePreview::Line& line : preview_.Lines())
        g_setupLog.Line(L"whatif: %s: %s", line.kind, line.text);
    if (runExitCode != kExitInstalled)
        return runExitCode;
    if (g_settings.run_mode == RunMode::kAttended) {
        static const size_t kCapacity = 16384;
        std::unique_ptr<wchar_t[]> text(new (std::nothrow) wchar_t[kCapacity]);
        if (text) {
            FormatText(text.get(), kCapacity, L"%s\r\n\r\n", heading);
            const size_t used = lstrlenW(text.get());
            preview_.Write(text.get() + used, kCapacity - used);
            ScreenMessages(heading).Show(nullptr, text.get(), MB_OK | MB_ICONINFORMATION);
        }
    }
    return kExitCancelled;
}

bool CInstallWizard::QuietRunStopped() const
{
    const CWizardPage* const pages[] = {&welcome_, &license_, &settings_, &domain_, &administrator_, &progress_};
    for (const CWizardPage* page : pages)
        if (page->QuietRunStopped())
            return true;
    return false;
}

bool CInstallWizard::ProcessWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                          LRESULT& result)
{
    switch (message) {
    case WM_WINDOWPOSCHANGING:
        // A quiet run goes through its pages by itself: nobody is to see them.
        if (g_settings.run_mode == RunMode::kQuiet)
            reinterpret_cast<WINDOWPOS*>(lParam)->flags &= ~SWP_SHOWWINDOW;
        return false;
    case WM_ERASEBKGND:
        PaintBackground(reinterpret_cast<HDC>(wParam));
        result = 1;
        return true;
    case WM_PAINT: {
        // Everything the sheet shows is its background (banner) and its children.
        PAINTSTRUCT paint;
        BeginPaint(window, &paint);
        EndPaint(window, &paint);
        result = 0;
        return true;
    }
    default:
        return false;
    }
}

void CInstallWizard::PaintBackground(HDC dc) const
{
    RECT client = {};
    GetClientRect(Window(), &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    PaintBanner(dc, static_cast<HBITMAP>(banner_.Get()), client.right, HeaderBandHeight());
}

int CInstallWizard::HeaderBandHeight() const
{
    // The sheet keeps the band above its pages; how high it is follows the dialog font
    // and the DPI.
    HWND page = PropSheet_GetCurrentPageHwnd(Window());
    if (!page) {
        BITMAP size = {};
        return banner_ && GetObjectW(banner_.Get(), sizeof(size), &size) ? size.bmHeight : 0;
    }
    RECT shown = {};
    GetWindowRect(page, &shown);
    MapWindowPoints(nullptr, Window(), reinterpret_cast<POINT*>(&shown), 2);
    return shown.top;
}

int RunWizard(HWND owner)
{
    CInstallWizard wizard;
    return wizard.RunWizard(owner);
}
