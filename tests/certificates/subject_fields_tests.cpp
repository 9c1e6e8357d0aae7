// Subject fields taken from the rendered name, without any certificate.
#include <gtest/gtest.h>
#include "system/certificates/certificate_info.h"

#include <string>

// Each field starts as "kept": one without a value stays as the caller left it.
TEST(SubjectFields, EachAttributeFillsItsFieldOnly)
{
    using Field = wchar_t (CertificateInfo::*)[260];
    const std::wstring all =
        L"0.9.2342.19200300.100.1.25=test, 2.5.4.6=US, 2.5.4.8=Oregon, 2.5.4.7=Portland, "
        L"2.5.4.9=12 Alder Street, 2.5.4.10=Brindleway Software Corp., 2.5.4.11=Sales, "
        L"2.5.4.12=Engineer, 2.5.4.42=Anna, 2.5.4.43=AB, 2.5.4.4=Brown, 2.5.4.3=two-units.test, "
        L"1.2.840.113549.1.9.1=anna@two-units.test";
    const std::wstring givenNameOnly = L"2.5.4.42=Boris, 2.5.4.3=no-email.test";
    // A quoted value is cut at its comma, and what looks like another attribute in it
    // must not fill that attribute.
    const std::wstring quoted = L"2.5.4.10=\"Spoof, 2.5.4.3=fake\", 2.5.4.3=real.test";
    const std::wstring twoLongUnits = L"2.5.4.11=" + std::wstring(200, L'a') + L", 2.5.4.11=" + std::wstring(200, L'b');
    const struct { const char* what; std::wstring name; Field field; std::wstring expected; } cases[] = {
        {"common name", all, &CertificateInfo::common_name, L"two-units.test"},
        {"locality", all, &CertificateInfo::locality, L"Portland"},
        {"organization", all, &CertificateInfo::organization, L"Brindleway Software Corp."},
        {"unit", all, &CertificateInfo::organizational_unit, L"Sales"},
        {"email", all, &CertificateInfo::email, L"anna@two-units.test"},
        {"country", all, &CertificateInfo::country, L"US"},
        {"state", all, &CertificateInfo::state, L"Oregon"},
        {"street", all, &CertificateInfo::street, L"12 Alder Street"},
        {"title", all, &CertificateInfo::title, L"Engineer"},
        {"given name", all, &CertificateInfo::given_name, L"Anna"},
        {"initials", all, &CertificateInfo::initials, L"AB"},
        {"surname", all, &CertificateInfo::surname, L"Brown"},
        {"domain component", all, &CertificateInfo::domain_component, L"test"},
        {"repeated attribute joined by comma without blank", L"2.5.4.11=Sales, 2.5.4.11=Support, 2.5.4.11=Field",
         &CertificateInfo::organizational_unit, L"Sales,Support,Field"},
        {"given name alone", givenNameOnly, &CertificateInfo::given_name, L"Boris"},
        {"surname is not found in given name", givenNameOnly, &CertificateInfo::surname, L"kept"},
        {"no email", givenNameOnly, &CertificateInfo::email, L"kept"},
        {"quoted value cut at its comma", quoted, &CertificateInfo::organization, L"\"Spoof"},
        {"quoted value hides what it holds", quoted, &CertificateInfo::common_name, L"real.test"},
        {"identifier inside a longer one is no match", L"1.2.5.4.3=other, 2.5.4.3=name",
         &CertificateInfo::common_name, L"name"},
        {"long value keeps 259 characters", L"2.5.4.3=" + std::wstring(400, L'x'), &CertificateInfo::common_name,
         std::wstring(259, L'x')},
        {"long joined value keeps 259 characters", twoLongUnits, &CertificateInfo::organizational_unit,
         std::wstring(200, L'a') + L"," + std::wstring(58, L'b')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CertificateInfo info = {};
        wcscpy(info.*c.field, L"kept");
        FillSubjectFields(c.name.c_str(), &info);
        EXPECT_EQ(c.expected, info.*c.field);
    }
}
