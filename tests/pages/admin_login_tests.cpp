// The login proposed from name and surname, and the logins that are refused.
#include <gtest/gtest.h>

#include "wizard/administrator_page/admin_login.h"

TEST(AdminLogin, ComposedFromNameAndSurname)
{
    wchar_t login[64] = {};
    ComposeLogin(L"Ann", L"Lee", login, 64);
    EXPECT_STREQ(L"Ann Lee", login);
    ComposeLogin(L"Ann", L"", login, 64);
    EXPECT_STREQ(L"Ann", login);
    ComposeLogin(L"", L"Lee", login, 64);
    EXPECT_STREQ(L" Lee", login) << "an empty name still gives the separating blank";
    ComposeLogin(L"Annabelle", L"Leeson", login, 8);
    EXPECT_STREQ(L"Annabel", login) << "cut to the capacity";
}

TEST(AdminLogin, BuiltInGroupNamesAreRefusedInAnyCase)
{
    for (const wchar_t* reserved : { L"Everyone", L"EVERYONE", L"eVeRyOnE", L"Administrators",
                                     L"ADMINISTRATORS", L"administrators" })
        EXPECT_TRUE(IsReservedLogin(reserved)) << reserved;
    for (const wchar_t* allowed : { L"Administrator", L"Everyone2", L"Every one", L"admin", L"" })
        EXPECT_FALSE(IsReservedLogin(allowed)) << allowed;
}
