#include "settings/settings_page_fixture.h"

#include <stdarg.h>

#include "app/bounded_text.h"
#include "app/default_certificate.h"
#include "app/domain_name.h"
#include "app/install_settings.h"
#include "certificates/certificate_fixtures.h"
#include "datafiles/config_file.h"
#include "lang/language.h"
#include "resources/wizard_ids.h"

void SettingsPage::SetUpTestSuite()
{
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
}

void SettingsPage::TearDownTestSuite()
{
    WSACleanup();
}

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
    std::vector<BYTE> hash(g_settings.cert_thumbprint, g_settings.cert_thumbprint + 20);
    if (hash != std::vector<BYTE>(20, 0))
        imported_.push_back(hash);
}

bool OpenSettingsPage(WizardDriver& wizard)
{
    if (!wizard.Next(IDD_WIZ_LICENSE))
        return false;
    wizard.Click(IDC_AGREEMENT_ACCEPT);
    return wizard.Next(IDD_WIZ_SETCONF);
}

void SetItemText(WizardDriver& wizard, int id, const std::wstring& text)
{
    SendMessageW(wizard.Item(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    wizard.Settle();
}

std::wstring ItemText(WizardDriver& wizard, int id)
{
    return WindowText(wizard.Item(id));
}

bool NextTo(WizardDriver& wizard, int expected)
{
    return wizard.Next(expected);
}

void NextAndSettle(WizardDriver& wizard)
{
    wizard.Press(PSBTN_NEXT);
    wizard.Settle();
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

MessageBoxWatcher::Answer Answering(UINT id, int answer)
{
    wchar_t format[1024] = {};
    g_language.GetString(id, format, 1024);
    std::wstring text = format;
    std::wstring prefix = text.substr(0, text.find(L'%'));
    return [prefix, answer](const SeenMessageBox& box) {
        return box.text.compare(0, prefix.size(), prefix) == 0 ? answer : IDYES;
    };
}
