// What the settings page shows and which certificate lets Next through.
#include "settings/settings_page_fixture.h"

#include "base/install_settings.h"
#include "certificates/certificate_fixtures.h"
#include "formats/language/language.h"
#include "resources/wizard_ids.h"
#include "wizard/settings_page/certificate_display.h"
#include "wizard/settings_page/host_addresses.h"

namespace {

std::wstring ComboItem(HWND box, int index)
{
    wchar_t text[64] = {};
    SendMessageW(box, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text));
    return text;
}

bool NextEnabled(WizardDriver& wizard)
{
    wizard.Settle();
    return wizard.ButtonEnabled(WizardDriver::kNextButton);
}

// How many of the own certificate's path, browse button and password are enabled.
int OwnCertificateBoxesEnabled(WizardDriver& wizard)
{
    int enabled = 0;
    for (int id : {IDC_CERT_PATH, IDC_BROWSE_CERT, IDC_CERT_PASSWORD})
        enabled += IsWindowEnabled(wizard.Item(id)) ? 1 : 0;
    return enabled;
}

// The labels as the page should fill them for a certificate file.
std::wstring CompanyLabelOf(const wchar_t* file, const wchar_t* password)
{
    std::vector<BYTE> image = ReadCertificateFile(file);
    CertificateInfo info;
    if (!ReadShownCertificate(image.data(), static_cast<DWORD>(image.size()), password, info))
        return L"<unreadable>";
    wchar_t label[520] = {};
    FormatCertificateCompany(info, label, 520);
    return label;
}

} // namespace

TEST_F(SettingsPage, ShowsTheRecordTheAddressesAndTheBuiltInCertificate)
{
    AddressList offered;
    ListHostAddresses(offered);  // Winsock runs for the whole suite
    CertificateInfo info;
    ASSERT_TRUE(ReadShownCertificate(g_settings.default_certificate, g_settings.default_certificate_size, L"", info));
    wchar_t company[520] = {};
    FormatCertificateCompany(info, company, 520);

    WizardRun run = RunWizardWith([&](WizardDriver& wizard) {
        ASSERT_TRUE(OpenSettingsPage(wizard));
        EXPECT_EQ(std::wstring(g_settings.install_dir), ItemText(wizard, IDC_INSTALL_DIR));
        EXPECT_EQ(std::wstring(g_settings.service_name), ItemText(wizard, IDC_SERVICE_NAME));
        HWND box = wizard.Item(IDC_SERVER_IP);
        ASSERT_EQ(static_cast<LRESULT>(offered.count), SendMessageW(box, CB_GETCOUNT, 0, 0));
        EXPECT_EQ(L"any (recommended)", ComboItem(box, 0));
        EXPECT_EQ(0, SendMessageW(box, CB_GETCURSEL, 0, 0));
        for (size_t i = 1; i < offered.count; ++i) {
            in_addr address = {};
            address.s_addr = offered.entries[i];
            std::string dotted = inet_ntoa(address);
            EXPECT_EQ(std::wstring(dotted.begin(), dotted.end()), ComboItem(box, static_cast<int>(i)));
        }
        EXPECT_EQ(std::wstring(company), ItemText(wizard, IDC_CERT_COMPANY));
        EXPECT_EQ(std::wstring(info.common_name), ItemText(wizard, IDC_CERT_DOMAIN));
        EXPECT_EQ(BST_UNCHECKED, SendMessageW(wizard.Item(IDC_OWN_CERT), BM_GETCHECK, 0, 0));
        EXPECT_EQ(0, OwnCertificateBoxesEnabled(wizard));
        EXPECT_TRUE(NextEnabled(wizard));
        EXPECT_TRUE(wizard.ButtonEnabled(WizardDriver::kBackButton));
        TypeInto(wizard, IDC_INSTALL_DIR, std::wstring(259, L'a'));
        EXPECT_EQ(259u, ItemText(wizard, IDC_INSTALL_DIR).size()) << "the folder box takes a whole path";
    });
    EXPECT_TRUE(run.scriptFinished);
}

TEST_F(SettingsPage, OwnCertificateLetsNextThroughOnlyWhenReadableAndUnexpiredAndIsImportedWithItsPassword)
{
    ImportedImage own(L"test_password.pfx", kPasswordOfTestPfx);
    ASSERT_NE(nullptr, own.Store());
    WizardRun run = RunWizardWith([&](WizardDriver& wizard) {
        ASSERT_TRUE(OpenSettingsPage(wizard));
        wizard.Click(IDC_OWN_CERT);
        EXPECT_EQ(3, OwnCertificateBoxesEnabled(wizard));
        EXPECT_FALSE(NextEnabled(wizard)) << "no file chosen yet";
        EXPECT_EQ(L"", ItemText(wizard, IDC_CERT_COMPANY));

        TypeInto(wizard, IDC_CERT_PATH, CertificateFilePath(L"test_password.pfx"));
        EXPECT_FALSE(NextEnabled(wizard)) << "the password is missing";
        EXPECT_EQ(L"", ItemText(wizard, IDC_CERT_DOMAIN));
        TypeInto(wizard, IDC_CERT_PASSWORD, L"wrong");
        EXPECT_FALSE(NextEnabled(wizard));
        TypeInto(wizard, IDC_CERT_PASSWORD, kPasswordOfTestPfx);
        EXPECT_TRUE(NextEnabled(wizard));
        EXPECT_EQ(CompanyLabelOf(L"test_password.pfx", kPasswordOfTestPfx), ItemText(wizard, IDC_CERT_COMPANY));
        EXPECT_NE(L"", ItemText(wizard, IDC_CERT_DOMAIN));

        TypeInto(wizard, IDC_CERT_PASSWORD, L"");
        TypeInto(wizard, IDC_CERT_PATH, CertificateFilePath(L"test_expired.pfx"));
        EXPECT_EQ(CompanyLabelOf(L"test_expired.pfx", L""), ItemText(wizard, IDC_CERT_COMPANY))
            << "an expired certificate still shows whose it is and when it ended";
        EXPECT_FALSE(NextEnabled(wizard));

        TypeInto(wizard, IDC_CERT_PATH, CertificateFilePath(L"test_no_key.pfx"));
        if (!PfxImportTakesImagesWithoutKey()) {
            EXPECT_EQ(L"", ItemText(wizard, IDC_CERT_COMPANY));
        }
        EXPECT_FALSE(NextEnabled(wizard)) << "no certificate with a key";

        TypeInto(wizard, IDC_CERT_PATH, CertificateFilePath(L"missing.pfx"));
        EXPECT_FALSE(NextEnabled(wizard));

        wizard.Click(IDC_OWN_CERT);
        EXPECT_EQ(0, OwnCertificateBoxesEnabled(wizard));
        EXPECT_TRUE(NextEnabled(wizard)) << "the built-in certificate again";
        EXPECT_NE(L"", ItemText(wizard, IDC_CERT_COMPANY));

        wizard.Click(IDC_OWN_CERT);
        TypeInto(wizard, IDC_CERT_PATH, CertificateFilePath(L"test_password.pfx"));
        TypeInto(wizard, IDC_CERT_PASSWORD, kPasswordOfTestPfx);
        ASSERT_TRUE(wizard.Next(IDD_WIZ_USERS));
    });
    EXPECT_TRUE(run.scriptFinished);
    // The imported one is the image's certificate with the key, imported once.
    std::vector<BYTE> thumbprint = StoredThumbprint();
    EXPECT_EQ(1, CountInMachineStore(L"MY", thumbprint));
    bool found = false;
    PCCERT_CONTEXT certificate = nullptr;
    while ((certificate = CertEnumCertificatesInStore(own.Store(), certificate)))
        found = found || CertificateHash(certificate) == thumbprint;
    EXPECT_TRUE(found);
}

TEST_F(SettingsPage, HostedModeNeedsNoCertificate)
{
    g_settings.saas_mode = true;
    g_settings.default_certificate = nullptr;
    g_settings.default_certificate_size = 0;
    WizardRun run = RunWizardWith([&](WizardDriver& wizard) {
        ASSERT_TRUE(wizard.Next(IDD_WIZ_SETCONF));
        EXPECT_FALSE(IsWindowEnabled(wizard.Item(IDC_OWN_CERT)));
        EXPECT_TRUE(NextEnabled(wizard));
        EXPECT_TRUE(wizard.Next(IDD_WIZ_USERS));
    });
    EXPECT_TRUE(run.scriptFinished);
    EXPECT_EQ(std::vector<BYTE>(20, 0), StoredThumbprint())
        << "nothing imported";
}
