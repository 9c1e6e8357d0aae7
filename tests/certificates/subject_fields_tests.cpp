// Subject fields taken from the rendered name, without any certificate.
#include <gtest/gtest.h>
#include "system/certificate_info.h"

#include <string>

namespace {

CertificateInfo Fill(const wchar_t* name)
{
    CertificateInfo info = {};
    FillSubjectFields(name, &info);
    return info;
}

}  // namespace

TEST(SubjectFields, EveryAttributeGoesToItsField)
{
    CertificateInfo info = Fill(
        L"0.9.2342.19200300.100.1.25=test, 2.5.4.6=US, 2.5.4.8=Oregon, 2.5.4.7=Portland, "
        L"2.5.4.9=12 Alder Street, 2.5.4.10=Brindleway Software Corp., 2.5.4.11=Sales, "
        L"2.5.4.12=Engineer, 2.5.4.42=Anna, 2.5.4.43=AB, 2.5.4.4=Brown, 2.5.4.3=two-units.test, "
        L"1.2.840.113549.1.9.1=anna@two-units.test");
    EXPECT_STREQ(L"two-units.test", info.common_name);
    EXPECT_STREQ(L"Portland", info.locality);
    EXPECT_STREQ(L"Brindleway Software Corp.", info.organization);
    EXPECT_STREQ(L"Sales", info.organizational_unit);
    EXPECT_STREQ(L"anna@two-units.test", info.email);
    EXPECT_STREQ(L"US", info.country);
    EXPECT_STREQ(L"Oregon", info.state);
    EXPECT_STREQ(L"12 Alder Street", info.street);
    EXPECT_STREQ(L"Engineer", info.title);
    EXPECT_STREQ(L"Anna", info.given_name);
    EXPECT_STREQ(L"AB", info.initials);
    EXPECT_STREQ(L"Brown", info.surname);
    EXPECT_STREQ(L"test", info.domain_component);
}

TEST(SubjectFields, RepeatedAttributeIsJoinedByCommaWithoutBlank)
{
    CertificateInfo info = Fill(L"2.5.4.11=Sales, 2.5.4.11=Support, 2.5.4.11=Field");
    EXPECT_STREQ(L"Sales,Support,Field", info.organizational_unit);
}

TEST(SubjectFields, SurnameIsNotFoundInGivenName)
{
    CertificateInfo info = Fill(L"2.5.4.42=Boris, 2.5.4.3=no-email.test");
    EXPECT_STREQ(L"Boris", info.given_name);
    EXPECT_STREQ(L"", info.surname);
    EXPECT_STREQ(L"", info.email);
}

TEST(SubjectFields, QuotedValueIsCutAtItsCommaAndHidesWhatItHolds)
{
    // A value's text that looks like another attribute must not fill that attribute.
    CertificateInfo info = Fill(L"2.5.4.10=\"Spoof, 2.5.4.3=fake\", 2.5.4.3=real.test");
    EXPECT_STREQ(L"\"Spoof", info.organization);
    EXPECT_STREQ(L"real.test", info.common_name);
}

TEST(SubjectFields, IdentifierInsideLongerIdentifierIsNoMatch)
{
    CertificateInfo info = Fill(L"1.2.5.4.3=other, 2.5.4.3=name");
    EXPECT_STREQ(L"name", info.common_name);
}

TEST(SubjectFields, LongValueKeeps259Characters)
{
    std::wstring name = L"2.5.4.3=" + std::wstring(400, L'x');
    CertificateInfo info = Fill(name.c_str());
    EXPECT_EQ(std::wstring(259, L'x'), info.common_name);

    std::wstring units = L"2.5.4.11=" + std::wstring(200, L'a') + L", 2.5.4.11=" + std::wstring(200, L'b');
    info = Fill(units.c_str());
    EXPECT_EQ(std::wstring(200, L'a') + L"," + std::wstring(58, L'b'), info.organizational_unit);
}

TEST(SubjectFields, FieldsWithoutValueStayAsTheCallerLeftThem)
{
    CertificateInfo info = {};
    wcscpy(info.title, L"kept");
    FillSubjectFields(L"2.5.4.3=name", &info);
    EXPECT_STREQ(L"kept", info.title);
    EXPECT_STREQ(L"name", info.common_name);
}
