// The settings page in the running wizard: what it shows, that Next reads its controls
// into the check, shows the check's boxes and questions and stores what it decided, the
// unattended check that waits, the own certificate's preview, and the texts under the
// system's locale. The check's rules: settings_check_tests; the machine it asks:
// settings_machine_tests.
#include "pages/page_fixture.h"

#include "base/bounded_text.h"
#include "base/install_settings.h"
#include "base/message_ids.h"
#include "certificates/certificate_fixtures.h"
#include "formats/config/server_config.h"
#include "formats/language/language.h"
#include "resources/wizard_ids.h"
#include "support/temp_folder.h"
#include "wizard/imported_certificate.h"
#include "wizard/settings_page/certificate_display.h"
#include "wizard/settings_page/host_addresses.h"

namespace {

// Certificates that a run imported leave the machine's store again, and the configuration
// that a run kept is dropped.
class SettingsPage : public PageTest
{
protected:
    void TearDown() override
    {
        RemoveImportedServerCertificate();
        g_serverConfig.Clear();
        PageTest::TearDown();
    }
    TempFolder folder_{L"settings-page"};
};

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

// The company label as the page should fill it for a certificate image.
std::wstring CompanyLabelOf(const std::vector<BYTE>& image, const wchar_t* password)
{
    CertificateInfo info;
    wchar_t label[520] = L"<unreadable>";
    if (ReadShownCertificate(image.data(), static_cast<DWORD>(image.size()), password, info))
        FormatCertificateCompany(info, label, 520);
    return label;
}

// kept_key in the loaded configuration.
std::wstring KeptValue()
{
    wchar_t value[64] = {};
    g_serverConfig.Get(L"kept_key", value, 64);
    return value;
}

// Boxes but the port question: another program may hold port 443 on this machine while a
// test runs, and the default answer Yes lets the test go on.
std::vector<SeenMessageBox> BoxesButPortQuestions(const std::vector<SeenMessageBox>& boxes)
{
    wchar_t format[256] = {};
    g_language.GetString(kPortInUse, format, 256);
    std::wstring prefix(format, wcscspn(format, L"%"));
    std::vector<SeenMessageBox> rest;
    for (const SeenMessageBox& box : boxes)
        if (box.text.compare(0, prefix.size(), prefix) != 0)
            rest.push_back(box);
    return rest;
}

} // namespace

TEST_F(SettingsPage, ShowsTheRecordThenTheChecksBoxesAndStoresWhatItDecided)
{
    AddressList offered;
    ListHostAddresses(offered);
    std::vector<BYTE> builtIn(g_settings.default_certificate,
                              g_settings.default_certificate + g_settings.default_certificate_size);
    CertificateInfo info;
    ASSERT_TRUE(ReadShownCertificate(builtIn.data(), static_cast<DWORD>(builtIn.size()), L"", info));
    std::wstring folder = folder_.Path();  // exists, so that the page asks about it
    int folderQuestions = 0;
    WizardRun run = RunWizardWith([&](WizardDriver& wizard) {
        ASSERT_TRUE(OpenSettingsPage(wizard));
        EXPECT_EQ(std::wstring(g_settings.install_dir), ItemText(wizard, IDC_INSTALL_DIR));
        EXPECT_EQ(std::wstring(g_settings.service_name), ItemText(wizard, IDC_SERVICE_NAME));
        HWND box = wizard.Item(IDC_SERVER_IP);
        ASSERT_EQ(static_cast<LRESULT>(offered.count), SendMessageW(box, CB_GETCOUNT, 0, 0));
        for (size_t i = 0; i < offered.count; ++i) {
            wchar_t expected[32] = L"any (recommended)", shown[32] = {};
            if (i > 0)
                FormatDottedAddress(offered.entries[i], expected, 32);
            SendMessageW(box, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(shown));
            EXPECT_STREQ(expected, shown);
        }
        EXPECT_EQ(0, SendMessageW(box, CB_GETCURSEL, 0, 0));
        EXPECT_EQ(CompanyLabelOf(builtIn, L""), ItemText(wizard, IDC_CERT_COMPANY));
        EXPECT_EQ(std::wstring(info.common_name), ItemText(wizard, IDC_CERT_DOMAIN));
        EXPECT_EQ(0, OwnCertificateBoxesEnabled(wizard));
        EXPECT_TRUE(NextEnabled(wizard) && wizard.ButtonEnabled(WizardDriver::kBackButton));
        TypeInto(wizard, IDC_INSTALL_DIR, std::wstring(259, L'a'));
        EXPECT_EQ(259u, ItemText(wizard, IDC_INSTALL_DIR).size()) << "the folder box takes a whole path";

        TypeInto(wizard, IDC_INSTALL_DIR, L"  \t" + folder + L"\\\\ \r\n");
        TypeInto(wizard, IDC_SERVICE_NAME, L"Velmora/Mail");
        wizard.Press(PSBTN_NEXT);  // refused
        // Typing stops at the field's end; a longer name put in is refused, not cut.
        EXPECT_EQ(63, SendMessageW(wizard.Item(IDC_SERVICE_NAME), EM_GETLIMITTEXT, 0, 0));
        TypeInto(wizard, IDC_SERVICE_NAME, std::wstring(64, L'v'));
        wizard.Press(PSBTN_NEXT);  // refused
        TypeInto(wizard, IDC_SERVICE_NAME, L"  Velmora Mail\t");
        wizard.Press(PSBTN_NEXT);  // the folder question, answered No
        wizard.Settle();
        EXPECT_EQ(IDD_WIZ_SETCONF, wizard.PageId());
        EXPECT_EQ(folder + L"\\\\", ItemText(wizard, IDC_INSTALL_DIR)) << "blanks go, separators stay";
        EXPECT_EQ(L"Velmora Mail", ItemText(wizard, IDC_SERVICE_NAME));
        ASSERT_TRUE(wizard.Next(IDD_WIZ_USERS));  // asked again, answered Yes
        // The page keeps the folder settled: the next pass does not ask again.
        ASSERT_TRUE(wizard.Back(IDD_WIZ_SETCONF));
        EXPECT_TRUE(wizard.Next(IDD_WIZ_USERS));
        // Before the closing Cancel, which takes the certificate back.
        EXPECT_EQ(1, CountInMachineStore(L"MY", StoredThumbprint()))
            << "imported once, though questions ran the check again";
    }, [&](const SeenMessageBox& box) {
        return box.text == MessageText(kFolderExists) && ++folderQuestions == 1 ? IDNO : AcceptBox(box);
    });
    ASSERT_TRUE(run.scriptFinished);
    std::vector<SeenMessageBox> boxes = BoxesButPortQuestions(run.boxes);
    ASSERT_EQ(5u, boxes.size()) << "two refusals, the folder question twice, and the closing Cancel";
    EXPECT_EQ(L"Service name must not contain  forward-slash (/) and back-slash symbols ", boxes[0].text);
    EXPECT_EQ(run.sheet, boxes[0].owner) << "a box owned by a page belongs to its top-level window";
    EXPECT_EQ(L"The service name is longer than 63 characters. A longer name is not cut to fit: give a shorter one.",
              boxes[1].text);
    EXPECT_EQ(L"This folder is already exist! Do you want to install to it?", boxes[2].text);
    EXPECT_EQ(boxes[2].text, boxes[3].text);
    // The page stores what the check decided (all it writes: the check's table).
    EXPECT_TRUE(g_settings.folder_confirmed);
}

TEST_F(SettingsPage, UnattendedQuietFailureWaitsForTheUserAndChecksByItselfOnlyOnce)
{
    g_settings.run_mode = RunMode::kUnattended;
    std::wstring fresh = folder_.File(L"auto");
    CopyText(g_settings.install_dir, (fresh + L"\\").c_str());
    CopyText(g_settings.service_name, L"Velmora/Mail");
    // What an earlier pass took from another, installed folder.
    g_serverConfig.Set(L"kept_key", L"another folder's");
    WizardRun run = RunWizardWith([&](WizardDriver& wizard) {
        // The page checks itself as it is shown, and the sheet makes it current only when it
        // stays; the sheet then settles, so a press it posted to itself has been handled.
        wizard.Press(PSBTN_NEXT);
        ASSERT_TRUE(wizard.WaitForPage(IDD_WIZ_SETCONF));
        EXPECT_EQ(IDD_WIZ_SETCONF, wizard.PageId()) << "the page waits for the user";
        EXPECT_TRUE(wizard.ButtonEnabled(WizardDriver::kNextButton));
        TypeInto(wizard, IDC_SERVICE_NAME, L"Velmora Mail");
        EXPECT_TRUE(wizard.Next(IDD_WIZ_USERS));
        ASSERT_TRUE(wizard.Back(IDD_WIZ_SETCONF));
        EXPECT_EQ(IDD_WIZ_SETCONF, wizard.PageId()) << "the page checked itself again";
    });
    ASSERT_TRUE(run.scriptFinished);
    EXPECT_EQ(1u, run.boxes.size()) << "no box but the closing cancel question";
    EXPECT_EQ(fresh, g_settings.install_dir);
    EXPECT_EQ(L"", KeptValue()) << "another folder's configuration is not kept";
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
        TypeInto(wizard, IDC_CERT_PASSWORD, kPasswordOfTestPfx);
        EXPECT_TRUE(NextEnabled(wizard));
        EXPECT_EQ(CompanyLabelOf(ReadCertificateFile(L"test_password.pfx"), kPasswordOfTestPfx),
                  ItemText(wizard, IDC_CERT_COMPANY));
        EXPECT_NE(L"", ItemText(wizard, IDC_CERT_DOMAIN));

        TypeInto(wizard, IDC_CERT_PASSWORD, L"");
        TypeInto(wizard, IDC_CERT_PATH, CertificateFilePath(L"test_expired.pfx"));
        EXPECT_EQ(CompanyLabelOf(ReadCertificateFile(L"test_expired.pfx"), L""), ItemText(wizard, IDC_CERT_COMPANY))
            << "an expired certificate still shows whose it is and when it ended";
        EXPECT_FALSE(NextEnabled(wizard));

        wizard.Click(IDC_OWN_CERT);
        EXPECT_EQ(0, OwnCertificateBoxesEnabled(wizard));
        EXPECT_TRUE(NextEnabled(wizard)) << "the built-in certificate again";
        wizard.Click(IDC_OWN_CERT);
        TypeInto(wizard, IDC_CERT_PATH, CertificateFilePath(L"test_password.pfx"));
        TypeInto(wizard, IDC_CERT_PASSWORD, kPasswordOfTestPfx);
        ASSERT_TRUE(wizard.Next(IDD_WIZ_USERS));
        // Imported once; the closing Cancel takes it back.
        EXPECT_EQ(1, CountInMachineStore(L"MY", StoredThumbprint()));
    });
    ASSERT_TRUE(run.scriptFinished);
    // The imported one is the image's certificate with the key.
    std::vector<BYTE> thumbprint = StoredThumbprint();
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
    ASSERT_TRUE(run.scriptFinished);
}

// Run again under the Russian system locale: a folder named in Cyrillic, and the page's
// texts in the interface language.
class SettingsLocale : public SettingsPage
{
protected:
    void SetUp() override
    {
        SettingsPage::SetUp();
        g_language.SelectLanguage(GetSystemDefaultLCID());
    }
    void TearDown() override
    {
        SettingsPage::TearDown();
        g_language.SelectLanguage(kEnglishLocale);
    }
};

TEST_F(SettingsLocale, CyrillicFolderIsCreatedAndTextsFollowTheLanguage)
{
    std::wstring existing = folder_.File(L"\x0412\x0435\x043B\x044C\x043C\x043E\x0440\x0430");  // Велмора
    std::wstring fresh = existing + L"\\\x0421\x0435\x0440\x0432\x0435\x0440 1";                // Сервер 1
    ASSERT_TRUE(CreateDirectoryW(existing.c_str(), nullptr));
    wchar_t any[64] = {}, shownAny[64] = {};
    g_language.GetString(14, any, 64);
    WizardRun run = RunWizardWith([&](WizardDriver& wizard) {
        ASSERT_TRUE(OpenSettingsPage(wizard));
        SendMessageW(wizard.Item(IDC_SERVER_IP), CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(shownAny));
        TypeInto(wizard, IDC_INSTALL_DIR, existing + L"\\");
        ASSERT_TRUE(wizard.Next(IDD_WIZ_USERS));
        EXPECT_EQ(existing, std::wstring(g_settings.install_dir));
        ASSERT_TRUE(wizard.Back(IDD_WIZ_SETCONF));
        TypeInto(wizard, IDC_INSTALL_DIR, fresh);
        ASSERT_TRUE(wizard.Next(IDD_WIZ_USERS));
        EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(fresh.c_str()));
    });
    ASSERT_TRUE(run.scriptFinished);
    EXPECT_STREQ(any, shownAny);
    if (GetSystemDefaultLCID() == kRussianLocale) {
        EXPECT_STRNE(L"any (recommended)", shownAny);
    }
    EXPECT_EQ(fresh, std::wstring(g_settings.install_dir));
    std::vector<SeenMessageBox> boxes = BoxesButPortQuestions(run.boxes);
    ASSERT_GE(boxes.size(), 1u);
    EXPECT_EQ(MessageText(kFolderExists), boxes[0].text) << "the folder question in the interface language";
}
