// Importing the server certificate into the machine's "MY" store through Wine's CryptoAPI,
// and taking the import back.
#include <gtest/gtest.h>
#include <windows.h>
#include <sddl.h>
#include "base/scoped_handle.h"
#include "base/scoped_seam.h"
#include "certificates/certificate_fixtures.h"
#include "system/certificates/certificate_import.h"
#include "system/certificates/certificate_import_undo.h"
#include "system/certificates/certificate_removal.h"
#include "system/certificates/key_container.h"
#include "system/certificates/key_container_seams.h"

namespace {

using Use = ServerCertificateUse;

// The key container's security descriptor (SDDL) that KeyDescriptorOf gives; null: none.
const wchar_t* g_keyDescriptor = nullptr;

// CryptGetProvParam of a provider that tells a key container's descriptor, which Wine's do not.
BOOL WINAPI KeyDescriptorOf(HCRYPTPROV, DWORD param, BYTE* data, DWORD* size, DWORD)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ULONG length = 0;
    if (param != PP_KEYSET_SEC_DESCR || g_keyDescriptor == nullptr
        || !ConvertStringSecurityDescriptorToSecurityDescriptorW(g_keyDescriptor, SDDL_REVISION_1, &descriptor,
                                                                 &length)) {
        SetLastError(static_cast<DWORD>(NTE_BAD_TYPE));
        return FALSE;
    }
    const bool fits = data == nullptr || *size >= length;
    if (data != nullptr && fits)
        CopyMemory(data, descriptor, length);
    *size = length;
    LocalFree(descriptor);
    SetLastError(fits ? 0 : ERROR_MORE_DATA);
    return fits;
}

bool KeyOpens(const KeyLink& link)
{
    HCRYPTPROV provider = 0;
    if (!CryptAcquireContextW(&provider, link.container, link.provider, link.type, CRYPT_MACHINE_KEYSET | CRYPT_SILENT))
        return false;
    CryptReleaseContext(provider, 0);
    return true;
}

KeyLink LinkOf(PCCERT_CONTEXT entry)
{
    KeyLink link = {};
    EXPECT_TRUE(entry != nullptr && ReadKeyLink(entry, &link));
    return link;
}

std::wstring FriendlyName(PCCERT_CONTEXT entry)
{
    wchar_t name[8192] = {};
    DWORD size = sizeof(name);
    CertGetCertificateContextProperty(entry, CERT_FRIENDLY_NAME_PROP_ID, name, &size);
    return name;
}

// Imports into "MY" and removes every copy of what it added when the test ends.
class ServerCertificateImporting : public ::testing::Test
{
protected:
    void TearDown() override
    {
        for (const auto& hash : added_)
            RemoveFromMachineStore(L"MY", hash);
    }

    // The hash of the certificate named `commonName` in the image `file`.
    std::vector<BYTE> HashOf(const wchar_t* file, const wchar_t* commonName)
    {
        ImportedImage image(file);
        PCCERT_CONTEXT certificate = image.WithCommonName(commonName);
        EXPECT_NE(nullptr, certificate) << file;
        std::vector<BYTE> hash = certificate ? CertificateHash(certificate) : std::vector<BYTE>();
        RemoveFromMachineStore(L"MY", hash);  // left by an interrupted run
        added_.push_back(hash);
        return hash;
    }

    DWORD Import(const wchar_t* file, const wchar_t* password, BYTE* hash = nullptr, DWORD* hashLength = nullptr,
                 ServerCertificateImport* outcome = nullptr)
    {
        std::vector<BYTE> image = ReadCertificateFile(file);
        EXPECT_FALSE(image.empty()) << file;
        return ImportServerCertificate(image.data(), static_cast<DWORD>(image.size()), password, hash,
                                       hashLength, L"MY", outcome);
    }

    // The store's entry of the certificate, null when it holds none.
    UniqueCertContext Entry(const std::vector<BYTE>& hash)
    {
        UniqueCertStore store(CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"MY"));
        CRYPT_HASH_BLOB blob = {20, const_cast<BYTE*>(hash.data())};
        return UniqueCertContext(
            CertFindCertificateInStore(store.Get(), X509_ASN_ENCODING, 0, CERT_FIND_SHA1_HASH, &blob, nullptr));
    }

    // Puts an entry of `certificate` named `friendlyName` with the key link `link` in place of
    // the store's, as somebody else may have. Added anew: Wine's registry store writes no
    // property set on an entry it holds.
    void PlantEntry(PCCERT_CONTEXT certificate, const std::wstring& friendlyName, const KeyLink& link)
    {
        std::vector<BYTE> hash = CertificateHash(certificate);
        DeleteMachineCertificate(L"MY", hash.data(), 20, L"");  // its key stays
        UniqueCertContext entry(
            CertCreateCertificateContext(X509_ASN_ENCODING, certificate->pbCertEncoded, certificate->cbCertEncoded));
        CRYPT_DATA_BLOB name = {static_cast<DWORD>((friendlyName.size() + 1) * sizeof(wchar_t)),
                                reinterpret_cast<BYTE*>(const_cast<wchar_t*>(friendlyName.c_str()))};
        EXPECT_TRUE(CertSetCertificateContextProperty(entry.Get(), CERT_FRIENDLY_NAME_PROP_ID, 0, &name));
        CRYPT_KEY_PROV_INFO info = {const_cast<wchar_t*>(link.container), const_cast<wchar_t*>(link.provider),
                                    link.type, link.flags, 0, nullptr, link.key_spec};
        EXPECT_TRUE(CertSetCertificateContextProperty(entry.Get(), CERT_KEY_PROV_INFO_PROP_ID, 0, &info));
        UniqueCertStore store(CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"MY"));
        EXPECT_TRUE(CertAddCertificateContextToStore(store.Get(), entry.Get(), CERT_STORE_ADD_NEW, nullptr));
    }

    // An entry of localhost's certificate named `friendlyName` whose key container does not exist.
    std::vector<BYTE> PlantEarlierEntry(const std::wstring& friendlyName)
    {
        std::vector<BYTE> hash = HashOf(L"default_server.pfx", L"localhost");
        ImportedImage image(L"default_server.pfx");
        PlantEntry(image.WithCommonName(L"localhost"), friendlyName,
                   {L"velmora-test-earlier", MS_ENHANCED_PROV_W, PROV_RSA_FULL, CRYPT_MACHINE_KEYSET, AT_KEYEXCHANGE});
        return hash;
    }

    std::vector<std::vector<BYTE>> added_;
};

}  // namespace

// Of an image that carries its root too, only the server certificate goes in, linked to a
// key container of its own; taken back, both go.
TEST_F(ServerCertificateImporting, OnlyTheServerCertificateGoesInAndGoesWithItsKeyContainer)
{
    std::vector<BYTE> expected = HashOf(L"test_two_units.pfx", L"two-units.test");
    const int before = CountInMachineStore(L"MY");
    ServerCertificateImport import;
    BYTE hash[20] = {};
    DWORD length = sizeof(hash);
    SetLastError(ERROR_ACCESS_DENIED);
    ASSERT_EQ(0u, Import(L"test_two_units.pfx", L"", hash, &length, &import));
    EXPECT_EQ(0u, GetLastError());
    EXPECT_EQ(Use::kImportAsNew, import.use);
    EXPECT_EQ(expected, std::vector<BYTE>(hash, hash + length));
    EXPECT_EQ(expected, std::vector<BYTE>(import.hash, import.hash + 20));
    EXPECT_EQ(0u, import.replaced_size);
    EXPECT_EQ(before + 1, CountInMachineStore(L"MY"));
    EXPECT_EQ(0, CountInMachineStore(L"MY", RootCertificateHash()));
    const KeyLink link = LinkOf(Entry(expected).Get());
    EXPECT_STREQ(link.container, import.key_container);
    EXPECT_TRUE(KeyOpens(link));

    EXPECT_TRUE(RemoveImportedCertificate(L"MY", import));
    EXPECT_EQ(before, CountInMachineStore(L"MY"));
    EXPECT_FALSE(KeyOpens(link));
}

TEST_F(ServerCertificateImporting, EarlierEntryComesBackAsItWasFromTheRememberedBytes)
{
    std::vector<BYTE> hash = PlantEarlierEntry(L"Earlier entry");
    ServerCertificateImport import;
    ASSERT_EQ(0u, Import(L"default_server.pfx", L"", nullptr, nullptr, &import));
    EXPECT_EQ(Use::kImportOverEarlier, import.use);  // its key is not there
    EXPECT_NE(0u, import.replaced_size);
    const KeyLink own = LinkOf(Entry(hash).Get());
    EXPECT_STREQ(own.container, import.key_container);
    EXPECT_NE(L"Earlier entry", FriendlyName(Entry(hash).Get()));

    // The bytes of another certificate's entry are refused, and nothing changes.
    std::vector<BYTE> other = RootCertificateHash();
    SetLastError(0);
    EXPECT_FALSE(RemoveImportedCertificate(L"MY", other.data(), import.key_container, import.replaced,
                                           import.replaced_size));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_DATA), GetLastError());
    EXPECT_STREQ(own.container, LinkOf(Entry(hash).Get()).container);

    EXPECT_TRUE(RemoveImportedCertificate(L"MY", import.hash, import.key_container, import.replaced,
                                          import.replaced_size));
    EXPECT_EQ(1, CountInMachineStore(L"MY", hash));
    EXPECT_EQ(L"Earlier entry", FriendlyName(Entry(hash).Get()));
    EXPECT_STREQ(L"velmora-test-earlier", LinkOf(Entry(hash).Get()).container);
    EXPECT_FALSE(KeyOpens(own));
}

TEST_F(ServerCertificateImporting, EarlierEntryTooLargeToRememberIsLeftAlone)
{
    const std::wstring longName(4100, L'n');  // 8200 bytes: the entry needs more than 8192
    std::vector<BYTE> hash = PlantEarlierEntry(longName);
    ServerCertificateImport import;
    EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), Import(L"default_server.pfx", L"", nullptr, nullptr,
                                                                    &import));
    EXPECT_EQ(longName, FriendlyName(Entry(hash).Get()));
    EXPECT_STREQ(L"velmora-test-earlier", LinkOf(Entry(hash).Get()).container);
}

TEST_F(ServerCertificateImporting, StoredEntryIsReusedOnlyWhenSystemMayUseItsKey)
{
    // fake: the key container's descriptor is `descriptor` (null: none can be read), else the
    // platform's, which grants Administrators on Wine and SYSTEM on Windows.
    const struct { bool fake; const wchar_t* descriptor; Use use; } cases[] = {
        {false, nullptr, Use::kReuse},
        {true, L"D:(A;;GA;;;BU)", Use::kImportOverEarlier},
        {true, nullptr, Use::kImportOverEarlier},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.fake << " " << (c.descriptor ? c.descriptor : L"-"));
        std::vector<BYTE> hash = HashOf(L"default_server.pfx", L"localhost");
        ServerCertificateImport first;
        ASSERT_EQ(0u, Import(L"default_server.pfx", L"", nullptr, nullptr, &first));
        // As Windows links it: among the machine's keys (Wine's import does not say so).
        KeyLink kept = LinkOf(Entry(hash).Get());
        kept.flags = CRYPT_MACHINE_KEYSET;
        kept.key_spec = AT_KEYEXCHANGE;
        PlantEntry(Entry(hash).Get(), L"Kept", kept);

        ServerCertificateImport again;
        g_keyDescriptor = c.descriptor;
        {
            ScopedSeam<CryptGetProvParamCall> seam(g_cryptGetProvParamCall,
                                                   c.fake ? KeyDescriptorOf : g_cryptGetProvParamCall);
            ASSERT_EQ(0u, Import(L"default_server.pfx", L"", nullptr, nullptr, &again));
        }
        EXPECT_EQ(c.use, again.use);
        EXPECT_EQ(c.use == Use::kReuse, FriendlyName(Entry(hash).Get()) == L"Kept");
        EXPECT_EQ(c.use == Use::kReuse, again.key_container[0] == 0);

        // Taken back, the entry is the one that was reused or replaced, with its key.
        EXPECT_TRUE(RemoveImportedCertificate(L"MY", again));
        EXPECT_EQ(L"Kept", FriendlyName(Entry(hash).Get()));
        EXPECT_STREQ(kept.container, LinkOf(Entry(hash).Get()).container);
        EXPECT_TRUE(KeyOpens(kept));
        EXPECT_TRUE(RemoveImportedCertificate(L"MY", first));
    }
}

TEST_F(ServerCertificateImporting, RefusedImageChangesNothing)
{
    // Windows opens an image without a key and finds no server certificate; Wine's import
    // refuses it. 0: any error.
    const DWORD noKey = PfxImportTakesImagesWithoutKey() ? static_cast<DWORD>(CRYPT_E_NOT_FOUND) : 0;
    const struct { const wchar_t* file; const wchar_t* password; DWORD code; DWORD capacity; } cases[] = {
        {L"test_password.pfx", L"wrong", 0, 20},
        {L"test_client_only.pfx", L"", static_cast<DWORD>(CRYPT_E_NOT_FOUND), 20},
        {L"test_no_key.pfx", L"", noKey, 20},
        {L"test_expired.pfx", L"", static_cast<DWORD>(CERT_E_EXPIRED), 20},
        {L"default_server.pfx", L"", ERROR_MORE_DATA, 10},  // no room for the hash
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.file << " with password \"" << c.password << "\"");
        int before = CountInMachineStore(L"MY");
        BYTE hash[20] = {};
        DWORD length = c.capacity;
        SetLastError(0);
        DWORD code = Import(c.file, c.password, hash, &length);
        if (c.code != 0) {
            EXPECT_EQ(c.code, code);
        }
        EXPECT_NE(0u, code);
        EXPECT_EQ(code, GetLastError());
        EXPECT_EQ(c.capacity, length);
        EXPECT_EQ(before, CountInMachineStore(L"MY"));
    }
}
