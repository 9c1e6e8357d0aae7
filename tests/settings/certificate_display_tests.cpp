// What the settings page shows of a certificate, and when it takes it as valid.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "app/default_certificate.h"
#include "base/install_settings.h"
#include "certificates/certificate_fixtures.h"
#include "support/temp_folder.h"
#include "wizard/settings_page/certificate_display.h"
#include "wizard/settings_page/certificate_image.h"

namespace {

FILETIME At(WORD year, WORD month, WORD day, WORD hour = 0)
{
    SYSTEMTIME time = {};
    time.wYear = year, time.wMonth = month, time.wDay = day, time.wHour = hour;
    FILETIME file = {};
    SystemTimeToFileTime(&time, &file);
    return file;
}

SYSTEMTIME Date(WORD year, WORD month, WORD day)
{
    SYSTEMTIME time = {};
    time.wYear = year, time.wMonth = month, time.wDay = day;
    return time;
}

} // namespace

TEST(CertificateDisplay, ValidUpToAndIncludingTheValidToMoment)
{
    SYSTEMTIME end = Date(2030, 6, 1);
    EXPECT_TRUE(CertificateStillValid(end, At(2030, 5, 31)));
    EXPECT_TRUE(CertificateStillValid(end, At(2030, 6, 1)));
    EXPECT_FALSE(CertificateStillValid(end, At(2030, 6, 1, 1)));
    SYSTEMTIME cleared = {};
    EXPECT_FALSE(CertificateStillValid(cleared, At(2020, 1, 1))) << "the zero date is time zero";
}

TEST(CertificateDisplay, PasswordProtectedImageOpensOnlyWithItsPassword)
{
    std::vector<BYTE> image = ReadCertificateFile(L"test_password.pfx");
    ASSERT_FALSE(image.empty());
    CertificateInfo info;
    EXPECT_FALSE(ReadShownCertificate(image.data(), static_cast<DWORD>(image.size()), L"wrong", info));
    EXPECT_FALSE(ReadShownCertificate(image.data(), static_cast<DWORD>(image.size()), L"", info));
    ASSERT_TRUE(ReadShownCertificate(image.data(), static_cast<DWORD>(image.size()), kPasswordOfTestPfx, info));
    EXPECT_NE(L'\0', info.common_name[0]);
}

TEST(CertificateDisplay, DefaultCertificateOpensWithoutPasswordAndNamesItsCompany)
{
    LoadDefaultCertificate();
    ASSERT_NE(nullptr, g_settings.default_certificate);
    CertificateInfo info;
    ASSERT_TRUE(ReadShownCertificate(g_settings.default_certificate, g_settings.default_certificate_size, L"", info));
    wchar_t label[520] = {};
    FormatCertificateCompany(info, label, 520);
    wchar_t expected[520] = {};
    wsprintfW(expected, L"%s ( expires %04d.%02d.%02d )", info.organization, info.valid_to.wYear,
              info.valid_to.wMonth, info.valid_to.wDay);
    EXPECT_EQ(std::wstring(expected), label);
    EXPECT_NE(L'\0', info.organization[0]);
    wchar_t small[12] = {};
    FormatCertificateCompany(info, small, 12);
    EXPECT_EQ(11u, wcslen(small)) << "cut to the label's capacity";
}

TEST(CertificateImage, HoldsAWholeFileOrNothing)
{
    TempFolder folder(L"certificate-image");
    std::string bytes(5000, '\x5a');
    ASSERT_TRUE(WriteWholeFile(folder.File(L"a.pfx"), bytes));
    CCertificateImage image;
    ASSERT_TRUE(image.LoadFile(folder.File(L"a.pfx").c_str()));
    ASSERT_EQ(5000u, image.Size());
    EXPECT_EQ(0, memcmp(bytes.data(), image.Data(), 5000));
    EXPECT_FALSE(image.LoadFile(folder.File(L"missing.pfx").c_str()));
    EXPECT_TRUE(image.IsEmpty());
    EXPECT_EQ(nullptr, image.Data());
    ASSERT_TRUE(WriteWholeFile(folder.File(L"empty.pfx"), ""));
    EXPECT_FALSE(image.LoadFile(folder.File(L"empty.pfx").c_str()));
    EXPECT_TRUE(image.Assign(reinterpret_cast<const BYTE*>("abc"), 3));
    EXPECT_EQ(3u, image.Size());
    EXPECT_FALSE(image.Assign(nullptr, 0));
    EXPECT_TRUE(image.IsEmpty());
}
