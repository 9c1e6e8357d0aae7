#include "settings/settings_page_fixture.h"

#include <stdarg.h>

#include "app/default_certificate.h"
#include "app/domain_name.h"
#include "base/bounded_text.h"
#include "base/install_settings.h"
#include "certificates/certificate_fixtures.h"
#include "formats/config/config_file.h"
#include "formats/language/language.h"
#include "resources/wizard_ids.h"

void SettingsPage::SetUp()
{
    ResetSettings();
    g_serverConfig.Clear();
    LoadDefaultCertificate();
    SetDomainName(L"localhost");
    CopyText(g_settings.install_dir, NewFolder(L"server").c_str());
    wchar_t service[64] = {};
    wsprintfW(service, L"VelmoraSettings%lu", GetCurrentProcessId());
    CopyText(g_settings.service_name, service);
}

void SettingsPage::TearDown()
{
    RememberImported();
    for (const auto& hash : imported_)
        RemoveFromMachineStore(L"MY", hash);
    g_serverConfig.Clear();
    ResetSettings();
}

void SettingsPage::RememberImported()
{
    std::vector<BYTE> hash = StoredThumbprint();
    if (hash != std::vector<BYTE>(20, 0))
        imported_.push_back(hash);
}

WizardRun SettingsPage::PassSettings(int expected)
{
    WizardRun run = RunWizardWith([&](WizardDriver& wizard) {
        ASSERT_TRUE(OpenSettingsPage(wizard));
        EXPECT_TRUE(wizard.Next(expected));
    });
    EXPECT_TRUE(run.scriptFinished);
    return run;
}

WizardRun SettingsPage::UnattendedRunTo(int expected)
{
    WizardRun run = RunWizardWith([&](WizardDriver& wizard) {
        wizard.Press(PSBTN_NEXT);
        EXPECT_TRUE(wizard.WaitForPage(expected));
    });
    EXPECT_TRUE(run.scriptFinished);
    return run;
}

void PlaceInstalledServer(const std::wstring& folder, const wchar_t* executable)
{
    CreateDirectoryW(folder.c_str(), nullptr);
    CreateDirectoryW((folder + L"\\config").c_str(), nullptr);
    CopyFileW(executable, (folder + L"\\Velmora.exe").c_str(), FALSE);
    WriteWholeFile(folder + L"\\config\\velmora.cfg", "kept_key=kept-value\r\n");
}

std::wstring KeptValue()
{
    wchar_t value[64] = {};
    g_serverConfig.Get(L"kept_key", value, 64);
    return value;
}

std::vector<SeenMessageBox> BoxesButPortQuestions(const std::vector<SeenMessageBox>& boxes)
{
    wchar_t format[256] = {};
    g_language.GetString(15, format, 256);
    std::wstring prefix(format, wcschr(format, L'%') ? wcschr(format, L'%') - format : wcslen(format));
    std::vector<SeenMessageBox> rest;
    for (const SeenMessageBox& box : boxes)
        if (box.text.compare(0, prefix.size(), prefix) != 0)
            rest.push_back(box);
    return rest;
}

std::wstring MessageText(UINT id, ...)
{
    wchar_t format[1024] = {};
    g_language.GetString(id, format, 1024);
    wchar_t text[2048] = {};
    va_list args;
    va_start(args, id);
    FormatTextV(text, 2048, format, args);
    va_end(args);
    return text;
}
