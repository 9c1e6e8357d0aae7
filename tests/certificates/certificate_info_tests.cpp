// Reading whose certificate a PFX image holds, through Wine's real PFX import.
#include <gtest/gtest.h>
#include "app/default_certificate.h"
#include "base/install_settings.h"
#include "certificates/certificate_fixtures.h"
#include "system/certificates/certificate_info.h"

#include <stdio.h>
#include <string.h>

namespace {

std::string Text(const SYSTEMTIME& time)
{
    char text[32];
    snprintf(text, sizeof(text), "%04u-%02u-%02u %02u:%02u:%02u", time.wYear, time.wMonth, time.wDay, time.wHour,
             time.wMinute, time.wSecond);
    return text;
}

// The names a row looks at, "|" between them; "untouched" for a record left as it was.
std::wstring Names(const CertificateInfo& info)
{
    static const CertificateInfo cleared = {};
    if (memcmp(&info, &cleared, sizeof(info)) == 0)
        return L"untouched";
    return std::wstring(info.common_name) + L"|" + info.organization + L"|" + info.organizational_unit + L"|" +
           info.email;
}

}  // namespace

// The certificate with a key: the image may also hold its root CA (without a key), whose
// name must not be read. Which attribute fills which field is shown by the SubjectFields
// tests; here, that the platform's rendering of a real subject reaches them, and the dates
// (NotBefore and NotAfter, in UTC). Bytes that are no image: a code, the record untouched.
// Wrong or missing passwords and an image without a key: CertificateShown.
TEST(ReadCertificateInfo, ReadsTheNamesAndDatesOfTheCertificateWithKeyOrGivesACode)
{
    const std::vector<BYTE> garbage = {0x30, 0x03, 0x02, 0x01, 0x05, 0x00, 0x11};
    const struct
    {
        const char* what;
        std::vector<BYTE> image;
        const wchar_t* password;
        std::wstring names;
        const char* dates;  // null: not looked at
    } cases[] = {
        {"two units", ReadCertificateFile(L"test_two_units.pfx"), L"",
         L"two-units.test|Brindleway Software Corp.|Sales,Support|anna@two-units.test", nullptr},
        {"password", ReadCertificateFile(L"test_password.pfx"), kPasswordOfTestPfx,
         L"password.test|Brindleway Software Corp.||", nullptr},
        {"expired", ReadCertificateFile(L"test_expired.pfx"), L"", L"expired.test|Brindleway Software Corp.||",
         "2020-01-01 00:00:00 2021-01-01 00:00:00"},
        {"garbage", garbage, L"", L"untouched", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CertificateInfo info = {};
        SetLastError(ERROR_ACCESS_DENIED);
        const DWORD code = ReadCertificateInfo(c.image.data(), static_cast<DWORD>(c.image.size()), c.password, &info);
        EXPECT_EQ(c.names == L"untouched", code != 0) << code;
        EXPECT_EQ(code, GetLastError());
        EXPECT_EQ(c.names, Names(info));
        if (c.dates) {
            EXPECT_EQ(c.dates, Text(info.valid_from) + " " + Text(info.valid_to));
        }
    }
}

TEST(DefaultCertificate, IsEmbeddedAndNamesTheMakerForLocalhost)
{
    LoadDefaultCertificate();
    const BYTE* image = g_settings.default_certificate;
    DWORD size = g_settings.default_certificate_size;
    ASSERT_NE(nullptr, image);
    EXPECT_EQ(ReadCertificateFile(L"default_server.pfx"), std::vector<BYTE>(image, image + size));

    CertificateInfo info = {};
    ASSERT_EQ(0u, ReadCertificateInfo(image, size, L"", &info));
    EXPECT_EQ(L"localhost|Brindleway Software Corp.||", Names(info));
    SYSTEMTIME now;
    GetSystemTime(&now);
    EXPECT_GT(info.valid_to.wYear, now.wYear + 10);
}
