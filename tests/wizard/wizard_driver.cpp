#include "wizard/wizard_driver.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <thread>

#include "app/default_certificate.h"
#include "app/domain_name.h"
#include "base/bounded_text.h"
#include "base/install_settings.h"
#include "resources/wizard_ids.h"
#include "support/socket_helpers.h"
#include "support/temp_folder.h"
#include "wizard/frame/install_wizard.h"

HWND WizardDriver::Page() const
{
    DWORD_PTR page = 0;
    SendMessageTimeoutW(sheet_, PSM_GETCURRENTPAGEHWND, 0, 0, SMTO_ABORTIFHUNG, 5000, &page);
    return reinterpret_cast<HWND>(page);
}

int WizardDriver::PageId() const
{
    HWND page = Page();
    LRESULT index = page ? SendMessageW(sheet_, PSM_HWNDTOINDEX, reinterpret_cast<WPARAM>(page), 0) : -1;
    return page ? static_cast<int>(SendMessageW(sheet_, PSM_INDEXTOID, static_cast<WPARAM>(index), 0)) : 0;
}

bool WizardDriver::ButtonEnabled(int id) const
{
    HWND button = GetDlgItem(sheet_, id);
    return button && IsWindowVisible(button) && IsWindowEnabled(button);
}

void WizardDriver::Settle() const
{
    // A sent message is handled only when the wizard thread takes its next message, and
    // messages it posted to itself before (button states) come first; a short pause
    // then lets their effects show.
    for (int i = 0; i < 3; ++i) {
        SendMessageW(sheet_, WM_NULL, 0, 0);
        Sleep(50);
    }
}

void WizardDriver::Press(int button)
{
    SendMessageW(sheet_, PSM_PRESSBUTTON, static_cast<WPARAM>(button), 0);
    // The sheet's modal loop notices that it has ended only when it takes its next posted
    // message; a person's click brings one, a sent message does not.
    PostMessageW(sheet_, WM_NULL, 0, 0);
    Settle();
}

bool WizardDriver::WaitForPage(int id, DWORD timeoutMs) const
{
    bool shown = WaitUntil([&] { return PageId() == id; }, timeoutMs);
    Settle();
    return shown;
}

void WizardDriver::Click(int id)
{
    SendMessageW(Item(id), BM_CLICK, 0, 0);
    Settle();
}

HWND FindWizardWindow(DWORD processId, DWORD timeoutMs)
{
    struct Search { DWORD processId; HWND found; } search = {processId, nullptr};
    WaitUntil([&] {
        EnumWindows([](HWND window, LPARAM parameter) -> BOOL {
            auto* search = reinterpret_cast<Search*>(parameter);
            DWORD pid = 0;
            GetWindowThreadProcessId(window, &pid);
            // Only a property sheet answers with its current page.
            DWORD_PTR page = 0;
            if (pid != search->processId || !IsWindowVisible(window) ||
                !SendMessageTimeoutW(window, PSM_GETCURRENTPAGEHWND, 0, 0, SMTO_ABORTIFHUNG, 2000, &page) || !page)
                return TRUE;
            search->found = window;
            return FALSE;
        }, reinterpret_cast<LPARAM>(&search));
        return search.found != nullptr;
    }, timeoutMs);
    return search.found;
}

bool WizardDriver::WaitForSheet(DWORD timeoutMs)
{
    sheet_ = FindWizardWindow(GetCurrentProcessId(), timeoutMs);
    return sheet_ != nullptr;
}

void DriveSheet(SheetRun& run, const std::function<void()>& runSheet,
                const std::function<void(WizardDriver&)>& script,
                const std::function<void(WizardDriver&)>& close, MessageBoxWatcher::Answer answer)
{
    MessageBoxWatcher watcher(answer ? answer : [](const SeenMessageBox&) { return IDYES; });
    std::thread driver([&] {
        WizardDriver wizard;
        if (!wizard.WaitForSheet())
            return;
        run.sheet = wizard.Sheet();
        script(wizard);
        run.scriptFinished = !testing::Test::HasFatalFailure();  // a failed ASSERT leaves it early
        close(wizard);
    });
    runSheet();
    driver.join();
    run.boxes = watcher.Seen();
}

WizardRun RunWizardWith(const std::function<void(WizardDriver&)>& script,
                        MessageBoxWatcher::Answer answer)
{
    WizardRun run;
    auto settledScript = [&](WizardDriver& wizard) {
        wizard.Settle();
        script(wizard);
    };
    auto close = [](WizardDriver& wizard) {
        // Whatever is still open ends with Cancel; should the script's answer refuse
        // that, the sheet is closed outright so that the test cannot hang.
        for (int attempt = 0; attempt < 3 && IsWindow(wizard.Sheet()); ++attempt)
            PostMessageW(wizard.Sheet(), PSM_PRESSBUTTON, PSBTN_CANCEL, 0), Sleep(500);
        // A cancelled installation on the progress page ends with Finish once it stopped.
        if (WaitUntil([&] { return !IsWindow(wizard.Sheet()) ||
                                   wizard.ButtonEnabled(WizardDriver::kFinishButton); }, 60000)
            && IsWindow(wizard.Sheet()))
            PostMessageW(wizard.Sheet(), PSM_PRESSBUTTON, PSBTN_FINISH, 0), Sleep(500);
        if (IsWindow(wizard.Sheet()))
            PostMessageW(wizard.Sheet(), WM_COMMAND, IDCANCEL, 0);
    };
    auto wizard = [&] {
        // As the entry does: the settings page resolves names and tests the server's port.
        ScopedWinsock winsock;
        run.result = RunWizard(nullptr);
    };
    DriveSheet(run, wizard, settledScript, close, answer);
    return run;
}

bool OpenSettingsPage(WizardDriver& wizard)
{
    if (!wizard.Next(IDD_WIZ_LICENSE))
        return false;
    wizard.Click(IDC_AGREEMENT_ACCEPT);
    return wizard.Next(IDD_WIZ_SETCONF);
}

std::vector<BYTE> StoredThumbprint()
{
    return std::vector<BYTE>(g_settings.cert_thumbprint, g_settings.cert_thumbprint + 20);
}

void ResetSettings()
{
    ZeroMemory(&g_settings, sizeof(g_settings));
    // A folder of its own that does not exist yet, so that the settings page neither asks
    // about it nor finds an earlier test's installation there.
    static TempFolder runs(L"wizard-runs");
    static LONG run = 0;
    wchar_t folder[32] = {};
    wsprintfW(folder, L"server-%ld", InterlockedIncrement(&run));
    CopyText(g_settings.install_dir, runs.File(folder).c_str());
    CopyText(g_settings.service_name, L"Velmora");
    // As start-up leaves it: the built-in certificate (when the test program carries it)
    // and a domain name that resolves.
    LoadDefaultCertificate();
    SetDomainName(L"localhost");
}
