// The settings page under the system's locale (run again with the Russian locale): a
// folder named in Cyrillic and the page's texts in the interface language.
#include "settings/settings_page_fixture.h"

#include "base/install_settings.h"
#include "formats/language/language.h"
#include "resources/wizard_ids.h"

namespace {

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

} // namespace

TEST_F(SettingsLocale, CyrillicFolderIsCreatedAndTextsFollowTheLanguage)
{
    std::wstring existing = NewFolder(L"\x0412\x0435\x043B\x044C\x043C\x043E\x0440\x0430");  // Велмора
    std::wstring fresh = existing + L"\\\x0421\x0435\x0440\x0432\x0435\x0440 1";                  // Сервер 1
    ASSERT_TRUE(CreateDirectoryW(existing.c_str(), nullptr));
    wchar_t any[64] = {};
    g_language.GetString(14, any, 64);
    std::wstring shownAny;
    WizardRun run = RunWizardWith([&](WizardDriver& wizard) {
        ASSERT_TRUE(OpenSettingsPage(wizard));
        wchar_t item[64] = {};
        SendMessageW(wizard.Item(IDC_SERVER_IP), CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(item));
        shownAny = item;
        TypeInto(wizard, IDC_INSTALL_DIR, existing + L"\\");
        ASSERT_TRUE(wizard.Next(IDD_WIZ_USERS));
        EXPECT_EQ(existing, std::wstring(g_settings.install_dir));
        ASSERT_TRUE(wizard.Back(IDD_WIZ_SETCONF));
        TypeInto(wizard, IDC_INSTALL_DIR, fresh);
        ASSERT_TRUE(wizard.Next(IDD_WIZ_USERS));
    });
    EXPECT_TRUE(run.scriptFinished);
    EXPECT_EQ(std::wstring(any), shownAny);
    if (GetSystemDefaultLCID() == kRussianLocale) {
        EXPECT_NE(L"any (recommended)", shownAny);
    }
    EXPECT_EQ(fresh, std::wstring(g_settings.install_dir));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(fresh.c_str()));
    std::vector<SeenMessageBox> boxes = BoxesButPortQuestions(run.boxes);
    ASSERT_GE(boxes.size(), 1u);
    EXPECT_EQ(MessageText(16), boxes[0].text) << "the folder question in the interface language";
}
