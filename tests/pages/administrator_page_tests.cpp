// The administrator page in the running wizard: the login that follows name and surname,
// the Next check with its messages and marks, the digest, and the unattended check.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "base/bounded_text.h"
#include "base/install_settings.h"
#include "formats/digest/digest160.h"
#include "pages/page_driving.h"
#include "resources/wizard_ids.h"

namespace {

const COLORREF kMarked = RGB(215, 45, 40);

class AdministratorPage : public ::testing::Test
{
protected:
    void SetUp() override { ResetSettings(); }
    void TearDown() override { ResetSettings(); }
};

struct Account
{
    const wchar_t* name;
    const wchar_t* surname;
    const wchar_t* login;
    const wchar_t* password;
    const wchar_t* confirmation;
};

void Fill(WizardDriver& wizard, const Account& account)
{
    TypeInto(wizard, IDC_ADMIN_NAME, account.name);
    TypeInto(wizard, IDC_ADMIN_SURNAME, account.surname);
    FocusOn(wizard, IDC_ADMIN_LOGIN);
    TypeInto(wizard, IDC_ADMIN_LOGIN, account.login);
    TypeInto(wizard, IDC_ADMIN_PASSWORD, account.password);
    TypeInto(wizard, IDC_ADMIN_CONFIRM, account.confirmation);
}

// What one press of Next made of an account: the page's answer and the boxes shown.
struct Outcome
{
    LONG_PTR answer = -2;
    std::vector<SeenMessageBox> boxes;
    std::wstring login;
    COLORREF nameColour = 0, loginColour = 0;
};

Outcome PressNextWith(const Account& account)
{
    Outcome outcome;
    WizardRun run = RunOnPage(IDD_WIZ_USERS, [&](WizardDriver& wizard) {
        Fill(wizard, account);
        outcome.answer = AskPage(wizard, PSN_WIZNEXT);
        outcome.login = WindowText(wizard.Item(IDC_ADMIN_LOGIN));
        outcome.nameColour = TextColourOf(wizard, IDC_ADMIN_NAME);
        outcome.loginColour = TextColourOf(wizard, IDC_ADMIN_LOGIN);
    }, AcceptBox);
    EXPECT_TRUE(run.scriptFinished);
    // The last box is the final cancel question.
    if (!run.boxes.empty())
        run.boxes.pop_back();
    outcome.boxes = run.boxes;
    return outcome;
}

bool DigestIsOf(const wchar_t* password)
{
    BYTE expected[20] = {};
    Digest160Text(password, expected, 20);
    return memcmp(expected, g_settings.admin_password_digest, 20) == 0;
}

bool DigestIsEmpty()
{
    static const BYTE zero[20] = {};
    return memcmp(zero, g_settings.admin_password_digest, 20) == 0;
}

// The account as the settings give it to the page.
void GiveAccountOf(const wchar_t* login, const wchar_t* name = L"Ann", const wchar_t* surname = L"Lee")
{
    CopyText(g_settings.admin_name, name);
    CopyText(g_settings.admin_surname, surname);
    CopyText(g_settings.admin_login, login);
}

void ExpectOneWarning(const Outcome& outcome, const wchar_t* text)
{
    ASSERT_EQ(1u, outcome.boxes.size()) << text;
    EXPECT_EQ(text, outcome.boxes[0].text);
    EXPECT_EQ(L"Velmora Server Setup", outcome.boxes[0].title);
    EXPECT_EQ(LoadIconW(nullptr, IDI_WARNING), outcome.boxes[0].icon);
    EXPECT_NE(nullptr, outcome.boxes[0].owner);
}

} // namespace

TEST_F(AdministratorPage, LoginFollowsNameAndSurnameUntilTheUserEditsIt)
{
    WizardRun run = RunOnPage(IDD_WIZ_USERS, [&](WizardDriver& wizard) {
        TypeInto(wizard, IDC_ADMIN_NAME, L"  Ann ");
        EXPECT_EQ(L"Ann", WindowText(wizard.Item(IDC_ADMIN_LOGIN)));
        TypeInto(wizard, IDC_ADMIN_SURNAME, L" Lee");
        EXPECT_EQ(L"Ann Lee", WindowText(wizard.Item(IDC_ADMIN_LOGIN)));

        FocusOn(wizard, IDC_ADMIN_LOGIN);
        TypeInto(wizard, IDC_ADMIN_NAME, L"Bob");
        EXPECT_EQ(L"Ann Lee", WindowText(wizard.Item(IDC_ADMIN_LOGIN))) << "edited by the user: left alone";

        TypeInto(wizard, IDC_ADMIN_LOGIN, L"");
        TypeInto(wizard, IDC_ADMIN_NAME, L"Carl");
        EXPECT_EQ(L"Carl Lee", WindowText(wizard.Item(IDC_ADMIN_LOGIN))) << "emptied: filled again";

        TypeInto(wizard, IDC_ADMIN_SURNAME, L"");
        TypeInto(wizard, IDC_ADMIN_NAME, L"");
        TypeInto(wizard, IDC_ADMIN_SURNAME, L"Lee");
        EXPECT_EQ(L" Lee", WindowText(wizard.Item(IDC_ADMIN_LOGIN)));
    });
    EXPECT_TRUE(run.scriptFinished);
}

TEST_F(AdministratorPage, SettingsAreShownTrimmedWithThePasswordInBothBoxes)
{
    GiveAccountOf(L"  alee ", L"\t Ann  ", L" Lee\r\n");
    CopyText(g_settings.admin_password, L"Secret1");
    WizardRun run = RunOnPage(IDD_WIZ_USERS, [&](WizardDriver& wizard) {
        EXPECT_EQ(L"Ann", WindowText(wizard.Item(IDC_ADMIN_NAME)));
        EXPECT_EQ(L"Lee", WindowText(wizard.Item(IDC_ADMIN_SURNAME)));
        EXPECT_EQ(L"alee", WindowText(wizard.Item(IDC_ADMIN_LOGIN)));
        EXPECT_EQ(L"Secret1", WindowText(wizard.Item(IDC_ADMIN_PASSWORD)));
        EXPECT_EQ(L"Secret1", WindowText(wizard.Item(IDC_ADMIN_CONFIRM)));
        EXPECT_TRUE(WaitUntil([&] { return wizard.ButtonEnabled(WizardDriver::kNextButton); }));
        EXPECT_TRUE(wizard.ButtonEnabled(WizardDriver::kBackButton));
    });
    EXPECT_TRUE(run.scriptFinished);
    EXPECT_STREQ(L"alee", g_settings.admin_login);
}

TEST_F(AdministratorPage, BlankFieldsAreRefusedMarkedAndShownEmpty)
{
    std::wstring name, surname;
    WizardRun run = RunOnPage(IDD_WIZ_USERS, [&](WizardDriver& wizard) {
        Fill(wizard, { L"   ", L" \t ", L"  ", L"Secret1", L"Secret1" });
        EXPECT_EQ(-1, AskPage(wizard, PSN_WIZNEXT));
        name = WindowText(wizard.Item(IDC_ADMIN_NAME));
        surname = WindowText(wizard.Item(IDC_ADMIN_SURNAME));
        EXPECT_EQ(kMarked, TextColourOf(wizard, IDC_ADMIN_NAME));
        EXPECT_EQ(kMarked, TextColourOf(wizard, IDC_ADMIN_SURNAME));
        EXPECT_EQ(kMarked, TextColourOf(wizard, IDC_ADMIN_LOGIN));
        EXPECT_NE(kMarked, TextColourOf(wizard, IDC_ADMIN_PASSWORD));
        TypeInto(wizard, IDC_ADMIN_NAME, L"Ann");
        EXPECT_NE(kMarked, TextColourOf(wizard, IDC_ADMIN_NAME)) << "the mark goes with the next change";
    }, AcceptBox);
    EXPECT_TRUE(run.scriptFinished);
    EXPECT_EQ(L"", name);
    EXPECT_EQ(L"", surname);
    ASSERT_EQ(2u, run.boxes.size());
    EXPECT_EQ(L"One or more field values are invalid", run.boxes[0].text);
    EXPECT_TRUE(DigestIsEmpty());
}

TEST_F(AdministratorPage, RefusedAccountsKeepThePageWithOneWarningAndStoreNoDigest)
{
    const wchar_t* invalid = L"One or more field values are invalid";
    const struct { const wchar_t* login; const wchar_t* password; const wchar_t* confirmation; const wchar_t* warning; }
        refusals[] = {
            {L"Everyone", L"Secret1", L"Secret1", invalid},  // built-in groups in any case
            {L"ADMINISTRATORS", L"Secret1", L"Secret1", invalid},
            {L" eVeryOne ", L"Secret1", L"Secret1", invalid},
            {L"alee", L"Abc12", L"Abc12", L"Password is too simple"},  // fewer than six characters
            {L"alee", L"Secret1", L"secret1", L"Passwords mismatch"},  // the confirmation exactly
        };
    for (const auto& refusal : refusals) {
        SCOPED_TRACE(std::wstring(refusal.login) + L" " + refusal.password + L" " + refusal.confirmation);
        Outcome outcome = PressNextWith({ L"Ann", L"Lee", refusal.login, refusal.password, refusal.confirmation });
        EXPECT_EQ(-1, outcome.answer);
        ExpectOneWarning(outcome, refusal.warning);
        EXPECT_EQ(refusal.warning == invalid, kMarked == outcome.loginColour) << "only a refused login is marked";
        EXPECT_NE(kMarked, outcome.nameColour);
        EXPECT_TRUE(DigestIsEmpty());
    }
}

TEST_F(AdministratorPage, SixCharactersOfOneClassAreAcceptedAndTheFieldsStoredTrimmed)
{
    Outcome accepted = PressNextWith({ L" Ann", L"Lee ", L"alee", L"abcdef", L"abcdef" });
    EXPECT_EQ(0, accepted.answer) << "on to the progress page";
    EXPECT_TRUE(accepted.boxes.empty());
    EXPECT_TRUE(DigestIsOf(L"abcdef")) << "only the length is tested";
    EXPECT_STREQ(L"Ann", g_settings.admin_name);
    EXPECT_STREQ(L"Lee", g_settings.admin_surname);
    EXPECT_STREQ(L"alee", g_settings.admin_login);
}

TEST_F(AdministratorPage, LongFieldsAreCutTo63Characters)
{
    std::wstring longName(80, L'n');
    Outcome outcome = PressNextWith({ longName.c_str(), L"Lee", L"alee", L"Secret1", L"Secret1" });
    EXPECT_EQ(0, outcome.answer);
    EXPECT_EQ(std::wstring(63, L'n'), g_settings.admin_name);
}

TEST_F(AdministratorPage, BackLeadsToTheDomainPageOnlyWhenItWasShown)
{
    WizardRun run = RunOnPage(IDD_WIZ_USERS, [&](WizardDriver& wizard) {
        EXPECT_EQ(IDD_WIZ_SETCONF, AskPage(wizard, PSN_WIZBACK));
        g_settings.domain_unresolved = true;
        EXPECT_EQ(IDD_WIZ_SETHOST, AskPage(wizard, PSN_WIZBACK));
    });
    EXPECT_TRUE(run.scriptFinished);
}

TEST_F(AdministratorPage, UnattendedActivationMovesOnOnlyWithAValidAccount)
{
    // As an unattended settings file gives them: the password only as its digest.
    GiveAccountOf(L"alee");
    CopyText(g_settings.admin_password, L"abc");
    Digest160Text(L"abc", g_settings.admin_password_digest, 20);
    LONG_PTR valid = -2, invalid = -2;
    std::wstring shownLogin;
    WizardRun run = RunOnPage(IDD_WIZ_USERS, [&](WizardDriver& wizard) {
        g_settings.force_auto = true;
        // The check writes the fields back into their boxes; the login given must survive.
        valid = AskPage(wizard, PSN_SETACTIVE);
        shownLogin = WindowText(wizard.Item(IDC_ADMIN_LOGIN));
        TypeInto(wizard, IDC_ADMIN_SURNAME, L"  ");
        invalid = AskPage(wizard, PSN_SETACTIVE);
        g_settings.force_auto = false;
    });
    EXPECT_TRUE(run.scriptFinished);
    EXPECT_EQ(IDD_WIZ_INSTALL, valid) << "a 3-character password from the settings is not checked again";
    EXPECT_EQ(L"alee", shownLogin);
    EXPECT_EQ(0, invalid) << "stays and waits";
    EXPECT_EQ(1u, run.boxes.size()) << "no box in an unattended run: only the final cancel question";
    EXPECT_TRUE(DigestIsOf(L"abc"));
}

TEST_F(AdministratorPage, UnattendedRunWithoutPasswordChecksTheBoxesQuietly)
{
    GiveAccountOf(L"alee");
    LONG_PTR shortPassword = -2, valid = -2;
    WizardRun run = RunOnPage(IDD_WIZ_USERS, [&](WizardDriver& wizard) {
        g_settings.force_auto = true;
        TypeInto(wizard, IDC_ADMIN_PASSWORD, L"abc");
        TypeInto(wizard, IDC_ADMIN_CONFIRM, L"abc");
        shortPassword = AskPage(wizard, PSN_SETACTIVE);
        TypeInto(wizard, IDC_ADMIN_PASSWORD, L"Secret1");
        TypeInto(wizard, IDC_ADMIN_CONFIRM, L"Secret1");
        valid = AskPage(wizard, PSN_SETACTIVE);
        g_settings.force_auto = false;
    });
    EXPECT_TRUE(run.scriptFinished);
    EXPECT_EQ(0, shortPassword);
    EXPECT_EQ(IDD_WIZ_INSTALL, valid);
    EXPECT_EQ(1u, run.boxes.size());
    EXPECT_TRUE(DigestIsOf(L"Secret1"));
}
