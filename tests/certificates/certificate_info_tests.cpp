// Reading whose certificate a PFX image holds, through Wine's real PFX import.
#include <gtest/gtest.h>
#include "app/default_certificate.h"
#include "base/install_settings.h"
#include "certificates/certificate_fixtures.h"
#include "system/certificates/certificate_info.h"

#include <stdio.h>
#include <string.h>

namespace {

DWORD Read(const wchar_t* file, const wchar_t* password, CertificateInfo* info)
{
    std::vector<BYTE> image = ReadCertificateFile(file);
    EXPECT_FALSE(image.empty()) << file;
    return ReadCertificateInfo(image.data(), static_cast<DWORD>(image.size()), password, info);
}

bool IsCleared(const CertificateInfo& info)
{
    static const CertificateInfo cleared = {};
    return memcmp(&info, &cleared, sizeof(info)) == 0;
}

std::string Text(const SYSTEMTIME& time)
{
    char text[32];
    snprintf(text, sizeof(text), "%04u-%02u-%02u %02u:%02u:%02u", time.wYear, time.wMonth, time.wDay, time.wHour,
             time.wMinute, time.wSecond);
    return text;
}

}  // namespace

TEST(ReadCertificateInfo, FillsSubjectFieldsAndDatesOfTheCertificateWithKey)
{
    // The image also holds the root CA (without a key): its name must not be read. Which
    // attribute fills which field is shown by the SubjectFields tests; here, that the
    // platform's rendering of a real subject reaches them.
    CertificateInfo info = {};
    ASSERT_EQ(0u, Read(L"test_two_units.pfx", L"", &info));
    EXPECT_EQ(0u, GetLastError());
    EXPECT_STREQ(L"two-units.test", info.common_name);
    EXPECT_STREQ(L"Sales,Support", info.organizational_unit);
    EXPECT_STREQ(L"anna@two-units.test", info.email);
    // The dates: NotBefore and NotAfter, in UTC.
    ASSERT_EQ(0u, Read(L"test_expired.pfx", L"", &info));
    EXPECT_EQ("2020-01-01 00:00:00", Text(info.valid_from));
    EXPECT_EQ("2021-01-01 00:00:00", Text(info.valid_to));
}

// A wrong or missing password, and bytes that are no image: a code, the record cleared. An
// image without a private key: success with the record untouched where the platform's
// import opens it (Windows), a code where it refuses it (Wine).
TEST(ReadCertificateInfo, PasswordOpensTheImageAndBadInputGivesNonZeroCodes)
{
    CertificateInfo info = {};
    ASSERT_EQ(0u, Read(L"test_password.pfx", kPasswordOfTestPfx, &info));
    EXPECT_STREQ(L"password.test", info.common_name);
    const std::vector<BYTE> garbage = {0x30, 0x03, 0x02, 0x01, 0x05, 0x00, 0x11};
    const struct { const char* what; std::vector<BYTE> image; const wchar_t* password; bool opens; } cases[] = {
        {"wrong password", ReadCertificateFile(L"test_password.pfx"), L"wrong", false},
        {"no password", ReadCertificateFile(L"test_password.pfx"), nullptr, false},
        {"garbage", garbage, L"", false},
        {"no private key", ReadCertificateFile(L"test_no_key.pfx"), L"", PfxImportTakesImagesWithoutKey()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        info = {};
        DWORD code = ReadCertificateInfo(c.image.data(), static_cast<DWORD>(c.image.size()), c.password, &info);
        EXPECT_EQ(c.opens, code == 0) << code;
        EXPECT_EQ(code, GetLastError());
        EXPECT_TRUE(IsCleared(info));
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
    EXPECT_STREQ(L"localhost", info.common_name);
    EXPECT_STREQ(L"Brindleway Software Corp.", info.organization);
    SYSTEMTIME now;
    GetSystemTime(&now);
    EXPECT_GT(info.valid_to.wYear, now.wYear + 10);
}
