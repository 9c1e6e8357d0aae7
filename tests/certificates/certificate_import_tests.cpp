// Importing the server certificate into the machine's "MY" store through Wine's CryptoAPI.
#include <gtest/gtest.h>
#include "certificates/certificate_fixtures.h"
#include "system/certificates/certificate_import.h"
#include "system/certificates/certificate_search.h"

namespace {

// Imports into "MY" and removes every copy of what it added when the test ends.
class ServerCertificateImport : public ::testing::Test
{
protected:
    void TearDown() override
    {
        for (const auto& hash : added_)
            RemoveFromMachineStore(L"MY", hash);
    }

    // The hash of the certificate named `commonName` in the image `file`.
    std::vector<BYTE> HashOf(const wchar_t* file, const wchar_t* commonName, const wchar_t* password = L"")
    {
        ImportedImage image(file, password);
        PCCERT_CONTEXT certificate = image.WithCommonName(commonName);
        EXPECT_NE(nullptr, certificate) << file;
        std::vector<BYTE> hash = certificate ? CertificateHash(certificate) : std::vector<BYTE>();
        RemoveFromMachineStore(L"MY", hash);  // left by an interrupted run
        added_.push_back(hash);
        return hash;
    }

    DWORD Import(const wchar_t* file, const wchar_t* password, BYTE* hash = nullptr, DWORD* hashLength = nullptr)
    {
        std::vector<BYTE> image = ReadCertificateFile(file);
        EXPECT_FALSE(image.empty()) << file;
        return ImportServerCertificate(image.data(), static_cast<DWORD>(image.size()), password, hash,
                                       hashLength, L"MY");
    }

    std::vector<std::vector<BYTE>> added_;
};

}  // namespace

TEST_F(ServerCertificateImport, SameImageTwiceIsAddedBothTimesWithTheSameHash)
{
    std::vector<BYTE> expected = HashOf(L"default_server.pfx", L"localhost");
    ASSERT_EQ(0, CountInMachineStore(L"MY", expected));
    for (int time = 1; time <= 2; ++time) {
        SCOPED_TRACE(testing::Message() << "import " << time);
        BYTE hash[20] = {};
        DWORD length = sizeof(hash);
        SetLastError(ERROR_ACCESS_DENIED);
        ASSERT_EQ(0u, Import(L"default_server.pfx", L"", hash, &length));
        EXPECT_EQ(0u, GetLastError());
        EXPECT_EQ(20u, length);
        EXPECT_EQ(expected, std::vector<BYTE>(hash, hash + 20));
    }
    // Each import adds a copy; the machine's registry store keeps certificates by their
    // hash, so reopened it may show the two copies as one.
    EXPECT_GE(CountInMachineStore(L"MY", expected), 1);

    BYTE small[10] = {};
    DWORD length = sizeof(small);
    EXPECT_EQ(static_cast<DWORD>(ERROR_MORE_DATA), Import(L"default_server.pfx", L"", small, &length));
}

TEST_F(ServerCertificateImport, OnlyTheServerCertificateGoesIntoTheStoreWithItsKey)
{
    std::vector<BYTE> server = HashOf(L"test_two_units.pfx", L"two-units.test");
    int before = CountInMachineStore(L"MY");
    ASSERT_EQ(0u, Import(L"test_two_units.pfx", L""));
    EXPECT_EQ(before + 1, CountInMachineStore(L"MY"));
    EXPECT_EQ(1, CountInMachineStore(L"MY", server));
    EXPECT_EQ(0, CountInMachineStore(L"MY", RootCertificateHash()));  // the image carries the root too

    // The copy in the store names its private key.
    HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"MY");
    ASSERT_NE(nullptr, store);
    CRYPT_HASH_BLOB blob = {20, server.data()};
    PCCERT_CONTEXT copy = CertFindCertificateInStore(store, X509_ASN_ENCODING, 0, CERT_FIND_SHA1_HASH, &blob, nullptr);
    ASSERT_NE(nullptr, copy);
    DWORD size = 0;
    EXPECT_TRUE(CertGetCertificateContextProperty(copy, CERT_KEY_PROV_INFO_PROP_ID, nullptr, &size));
    EXPECT_NE(0u, size);
    CertFreeCertificateContext(copy);
    CertCloseStore(store, 0);
}

TEST_F(ServerCertificateImport, RefusedImageChangesNothing)
{
    // Windows opens an image without a key and finds no server certificate; Wine's import
    // refuses it. 0: any error.
    const DWORD noKey = PfxImportTakesImagesWithoutKey() ? static_cast<DWORD>(CRYPT_E_NOT_FOUND) : 0;
    const struct { const wchar_t* file; const wchar_t* password; DWORD code; } cases[] = {
        {L"test_password.pfx", L"wrong", 0},
        {L"test_client_only.pfx", L"", static_cast<DWORD>(CRYPT_E_NOT_FOUND)},
        {L"test_no_key.pfx", L"", noKey},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.file << " with password \"" << c.password << "\"");
        int before = CountInMachineStore(L"MY");
        BYTE hash[20] = {};
        DWORD length = sizeof(hash);
        SetLastError(0);
        DWORD code = Import(c.file, c.password, hash, &length);
        if (c.code != 0) {
            EXPECT_EQ(c.code, code);
        }
        EXPECT_NE(0u, code);
        EXPECT_EQ(code, GetLastError());
        EXPECT_EQ(20u, length);
        EXPECT_EQ(before, CountInMachineStore(L"MY"));
    }
    // The right password opens it.
    std::vector<BYTE> expected = HashOf(L"test_password.pfx", L"password.test", kPasswordOfTestPfx);
    BYTE hash[20] = {};
    DWORD length = sizeof(hash);
    ASSERT_EQ(0u, Import(L"test_password.pfx", kPasswordOfTestPfx, hash, &length));
    EXPECT_EQ(expected, std::vector<BYTE>(hash, hash + 20));
}
