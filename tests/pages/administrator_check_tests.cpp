// The administrator page's rules without a window: the login proposed from name and
// surname, the refused logins, and the Next check as a row per case.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "base/message_ids.h"
#include "formats/digest/digest160.h"
#include "wizard/administrator_page/admin_login.h"
#include "wizard/administrator_page/administrator_check.h"

TEST(AdminLogin, ComposedFromNameAndSurnameCutToTheCapacity)
{
    const struct { const wchar_t* name; const wchar_t* surname; size_t capacity; const wchar_t* login; } cases[] = {
        {L"Ann", L"Lee", 64, L"Ann Lee"},
        {L"Ann", L"", 64, L"Ann"},
        {L"", L"Lee", 64, L" Lee"},  // an empty name still gives the separating blank
        {L"Annabelle", L"Leeson", 8, L"Annabel"},
    };
    for (const auto& c : cases) {
        wchar_t login[64] = {};
        ComposeLogin(c.name, c.surname, login, c.capacity);
        EXPECT_STREQ(c.login, login);
    }
}

TEST(AdminLogin, BuiltInGroupNamesAreRefusedInAnyCase)
{
    for (const wchar_t* reserved : {L"Everyone", L"eVeRyOnE", L"Administrators", L"ADMINISTRATORS"})
        EXPECT_TRUE(IsReservedLogin(reserved)) << reserved;
    for (const wchar_t* allowed : {L"Administrator", L"Everyone2", L"Every one", L""})
        EXPECT_FALSE(IsReservedLogin(allowed)) << allowed;
}

namespace {

struct AdministratorRow
{
    AdministratorFields fields;  // name, surname, login, password, confirmation
    bool unattended;
    const wchar_t* givenDigestOf;  // the digest the settings give (null: none)
    bool accepted;
    UINT message;
    const char* marked;            // n(ame), s(urname), l(ogin)
    const wchar_t* digestOf;       // the digest left (null: none)
};

std::vector<BYTE> Digest(const wchar_t* password)
{
    std::vector<BYTE> digest(20);
    if (password)
        Digest160Text(password, digest.data(), 20);
    return digest;
}

const AdministratorRow kAdministratorRows[] = {
    {{L" Ann", L"Lee ", L"alee", L"abcdef", L"abcdef"}, false, nullptr, true, 0, "", L"abcdef"},  // the length alone counts
    {{L"   ", L" \t ", L"  ", L"Secret1", L"Secret1"}, false, nullptr, false, kInvalidFields, "nsl", nullptr},
    {{L"Ann", L"Lee", L" eVeryOne ", L"Secret1", L"Secret1"}, false, nullptr, false, kInvalidFields, "l", nullptr},
    {{L"Ann", L"Lee", L"alee", L"Abc12", L"Abc12"}, false, nullptr, false, kPasswordTooSimple, "", nullptr},
    {{L"Ann", L"Lee", L"alee", L"Secret1", L"secret1"}, false, nullptr, false, kPasswordsMismatch, "", nullptr},
    {{L"Ann", L"Lee", L"Everyone", L"abc", L"abc"}, false, L"abc", false, kInvalidFields, "l", L"abc"},
    // Unattended: quietly; a digest given by the settings is taken without a password.
    {{L"Ann", L"Lee", L"alee", L"", L""}, true, L"abc", true, 0, "", L"abc"},
    {{L"Ann", L"  ", L"alee", L"", L""}, true, L"abc", false, 0, "s", L"abc"},
    {{L"Ann", L"Lee", L"alee", L"abc", L"abc"}, true, nullptr, false, 0, "", nullptr},
    {{L"Ann", L"Lee", L"alee", L"Secret1", L"Secret1"}, true, nullptr, true, 0, "", L"Secret1"},
    {{L"Ann", L"Lee", L"alee", L"Secret1", L"Secret1"}, false, L"abc", true, 0, "", L"Secret1"},
};

} // namespace

TEST(AdministratorCheck, EveryCase)
{
    for (const AdministratorRow& row : kAdministratorRows) {
        const AdministratorFields& given = row.fields;
        SCOPED_TRACE(std::wstring(given.name) + L"|" + given.surname + L"|" + given.login + L"|" + given.password + L"|" +
                     given.confirmation + (row.unattended ? L" unattended" : L""));
        AdministratorFields fields = given;
        InstallSettings settings = {};
        settings.run_mode = row.unattended ? RunMode::kUnattended : RunMode::kAttended;
        if (row.givenDigestOf)
            Digest160Text(row.givenDigestOf, settings.admin_password_digest, 20);
        AdministratorVerdict verdict = CheckAdministratorPage(fields, settings);
        EXPECT_EQ(row.accepted, verdict.accepted);
        EXPECT_EQ(row.message, verdict.message);
        std::string marked = std::string(verdict.name_marked ? "n" : "") + (verdict.surname_marked ? "s" : "") +
                             (verdict.login_marked ? "l" : "");
        EXPECT_EQ(row.marked, marked);
        EXPECT_EQ(Digest(row.digestOf), std::vector<BYTE>(settings.admin_password_digest, settings.admin_password_digest + 20));
        // Every field is stored and shown trimmed, valid or not.
        const wchar_t* typed[] = {given.name, given.surname, given.login};
        const wchar_t* stored[] = {settings.admin_name, settings.admin_surname, settings.admin_login};
        const wchar_t* shown[] = {fields.name, fields.surname, fields.login};
        for (int i = 0; i < 3; ++i) {
            std::wstring text = typed[i];
            text.erase(0, text.find_first_not_of(L" \t"));
            text.erase(text.find_last_not_of(L" \t") + 1);
            EXPECT_EQ(text, stored[i]);
            EXPECT_EQ(text, shown[i]);
        }
    }
}
