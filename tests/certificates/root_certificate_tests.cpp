// Installing the root certificate file into the machine's "Root" store.
#include <gtest/gtest.h>
#include "certificates/certificate_fixtures.h"
#include "system/certificate_import.h"

namespace {

std::vector<BYTE> RootHash()
{
    std::vector<BYTE> der = ReadCertificateFile(L"BrindlewayRootCA.cer");
    PCCERT_CONTEXT root = CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size()));
    EXPECT_NE(nullptr, root);
    std::vector<BYTE> hash = root ? CertificateHash(root) : std::vector<BYTE>();
    CertFreeCertificateContext(root);
    return hash;
}

class RootCertificate : public ::testing::Test
{
protected:
    void SetUp() override
    {
        hash_ = RootHash();
        RemoveFromMachineStore(L"Root", hash_);
    }
    void TearDown() override { RemoveFromMachineStore(L"Root", hash_); }
    std::vector<BYTE> hash_;
};

}  // namespace

TEST_F(RootCertificate, FileIsAddedOnceEvenWhenInstalledTwice)
{
    std::wstring path = CertificateFilePath(L"BrindlewayRootCA.cer");
    ASSERT_EQ(0u, InstallRootCertificate(path.c_str(), L"Root"));
    EXPECT_EQ(0u, GetLastError());
    EXPECT_EQ(1, CountInMachineStore(L"Root", hash_));
    ASSERT_EQ(0u, InstallRootCertificate(path.c_str(), L"Root"));
    EXPECT_EQ(1, CountInMachineStore(L"Root", hash_));
}

TEST_F(RootCertificate, MissingFileGivesTheOpenErrorAndChangesNothing)
{
    int before = CountAllInMachineStore(L"Root");
    std::wstring path = CertificateFilePath(L"no_such_file.cer");
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), InstallRootCertificate(path.c_str(), L"Root"));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
    EXPECT_EQ(before, CountAllInMachineStore(L"Root"));
}

TEST_F(RootCertificate, FileThatIsNoCertificateIsRefused)
{
    int before = CountAllInMachineStore(L"Root");
    std::wstring path = CertificateFilePath(L"test_no_key.pfx");
    DWORD code = InstallRootCertificate(path.c_str(), L"Root");
    EXPECT_NE(0u, code);
    EXPECT_EQ(code, GetLastError());
    EXPECT_EQ(before, CountAllInMachineStore(L"Root"));
}

TEST_F(RootCertificate, MissingArgumentsAreInvalid)
{
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), InstallRootCertificate(nullptr, L"Root"));
    std::wstring path = CertificateFilePath(L"BrindlewayRootCA.cer");
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), InstallRootCertificate(path.c_str(), nullptr));
    EXPECT_EQ(0, CountInMachineStore(L"Root", hash_));
}
