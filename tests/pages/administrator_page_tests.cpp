// The administrator page in the running wizard: the record shown, the unattended check on
// activation, the login that follows name and surname, and that Next reads the boxes into
// the check and shows its trimmed fields, marks and warning. The check's rules:
// administrator_check_tests; Back, the buttons and an unattended run that waits:
// WizardFlow.PagesFollowTheKindOfRun.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "base/bounded_text.h"
#include "base/install_settings.h"
#include "formats/digest/digest160.h"
#include "pages/page_fixture.h"
#include "resources/wizard_ids.h"

namespace {

const COLORREF kMarked = RGB(215, 45, 40);

using AdministratorPage = PageTest;

void Fill(WizardDriver& wizard, const wchar_t* name, const wchar_t* surname, const wchar_t* login)
{
    TypeInto(wizard, IDC_ADMIN_NAME, name);
    TypeInto(wizard, IDC_ADMIN_SURNAME, surname);
    FocusOn(wizard, IDC_ADMIN_LOGIN);
    TypeInto(wizard, IDC_ADMIN_LOGIN, login);
    TypeInto(wizard, IDC_ADMIN_PASSWORD, L"Secret1");
    TypeInto(wizard, IDC_ADMIN_CONFIRM, L"Secret1");
}

} // namespace

// The record as an unattended settings file gives it (the password only as its digest) is
// shown trimmed and checked by the page itself; then a person's typing.
TEST_F(AdministratorPage, ShowsTheRecordChecksItselfUnattendedThenTheLoginFollowsAndNextMarksWarnsAndStores)
{
    CopyText(g_settings.admin_name, L"\t Ann  ");
    CopyText(g_settings.admin_surname, L" Lee\r\n");
    CopyText(g_settings.admin_login, L"  alee ");
    CopyText(g_settings.admin_password, L"abc");
    Digest160Text(L"abc", g_settings.admin_password_digest, 20);
    std::wstring name, surname;
    LONG_PTR valid = -2, refused = -2, accepted = -2;
    std::wstring longName(80, L'n');
    WizardRun run = RunOnPage(IDD_WIZ_USERS, [&](WizardDriver& wizard) {
        EXPECT_EQ(L"Ann", ItemText(wizard, IDC_ADMIN_NAME));
        EXPECT_EQ(L"Lee", ItemText(wizard, IDC_ADMIN_SURNAME));
        EXPECT_EQ(L"alee", ItemText(wizard, IDC_ADMIN_LOGIN));
        EXPECT_EQ(L"abc", ItemText(wizard, IDC_ADMIN_PASSWORD));
        EXPECT_EQ(L"abc", ItemText(wizard, IDC_ADMIN_CONFIRM));
        g_settings.run_mode = RunMode::kUnattended;
        // The check writes the fields back into their boxes; the login given must survive.
        valid = AskPage(wizard, PSN_SETACTIVE);
        EXPECT_EQ(L"alee", ItemText(wizard, IDC_ADMIN_LOGIN));
        g_settings.run_mode = RunMode::kAttended;

        TypeInto(wizard, IDC_ADMIN_SURNAME, L"");
        TypeInto(wizard, IDC_ADMIN_NAME, L"  Ann ");
        EXPECT_EQ(L"Ann", ItemText(wizard, IDC_ADMIN_LOGIN));
        TypeInto(wizard, IDC_ADMIN_SURNAME, L" Lee");
        EXPECT_EQ(L"Ann Lee", ItemText(wizard, IDC_ADMIN_LOGIN));
        FocusOn(wizard, IDC_ADMIN_LOGIN);
        TypeInto(wizard, IDC_ADMIN_NAME, L"Bob");
        EXPECT_EQ(L"Ann Lee", ItemText(wizard, IDC_ADMIN_LOGIN)) << "edited by the user: left alone";
        TypeInto(wizard, IDC_ADMIN_LOGIN, L"");
        TypeInto(wizard, IDC_ADMIN_NAME, L"Carl");
        EXPECT_EQ(L"Carl Lee", ItemText(wizard, IDC_ADMIN_LOGIN)) << "emptied: filled again";

        Fill(wizard, L"   ", L" \t ", L"Everyone");
        refused = AskPage(wizard, PSN_WIZNEXT);
        name = ItemText(wizard, IDC_ADMIN_NAME);
        surname = ItemText(wizard, IDC_ADMIN_SURNAME);
        for (int id : {IDC_ADMIN_NAME, IDC_ADMIN_SURNAME, IDC_ADMIN_LOGIN})
            EXPECT_EQ(kMarked, TextColourOf(wizard, id)) << id;
        EXPECT_NE(kMarked, TextColourOf(wizard, IDC_ADMIN_PASSWORD));
        TypeInto(wizard, IDC_ADMIN_NAME, L"Ann");
        EXPECT_NE(kMarked, TextColourOf(wizard, IDC_ADMIN_NAME)) << "the mark goes with the next change";
        // The boxes' capacity cuts a long name to 63 characters.
        Fill(wizard, longName.c_str(), L" Lee", L"alee ");
        accepted = AskPage(wizard, PSN_WIZNEXT);
    }, AcceptBox);
    ASSERT_TRUE(run.scriptFinished);
    EXPECT_EQ(IDD_WIZ_INSTALL, valid) << "a 3-character password from the settings is not checked again";
    EXPECT_EQ(-1, refused);
    EXPECT_EQ(0, accepted) << "on to the progress page";
    EXPECT_EQ(L"", name);
    EXPECT_EQ(L"", surname);
    ASSERT_EQ(2u, run.boxes.size()) << "no box in the unattended check: the warning and the final cancel question";
    EXPECT_EQ(L"One or more field values are invalid", run.boxes[0].text);
    EXPECT_EQ(LoadIconW(nullptr, IDI_WARNING), run.boxes[0].icon);
    EXPECT_NE(nullptr, run.boxes[0].owner);
    // The rest that the check stores: AdministratorCheck.EveryCase.
    EXPECT_EQ(std::wstring(63, L'n'), g_settings.admin_name);
}
