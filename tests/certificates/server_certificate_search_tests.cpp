// Finding the server certificate of an imported image: the chain search first, our own
// search by key and usage when that finds nothing.
#include <gtest/gtest.h>
#include "certificates/certificate_fixtures.h"
#include "base/scoped_seam.h"
#include "system/certificates/certificate_search.h"
#include "system/certificates/certificate_search_seams.h"

#include <memory>
#include <string>
#include <tuple>

namespace {

// Records what the chain search was asked and answers with nothing, or with a real chain
// for the test root CA when `answerCommonName` names it.
struct ChainSearchRecord
{
    int calls = 0;
    HCERTSTORE store = nullptr;
    DWORD type = 0;
    std::string usage;
    const wchar_t* answerCommonName = nullptr;
};
ChainSearchRecord g_chainSearch;

PCCERT_CHAIN_CONTEXT WINAPI RecordingFindChain(HCERTSTORE store, DWORD, DWORD, DWORD type, const void* para,
                                               PCCERT_CHAIN_CONTEXT)
{
    ChainSearchRecord& r = g_chainSearch;
    ++r.calls;
    r.store = store, r.type = type;
    LPCSTR usage = static_cast<const CERT_CHAIN_FIND_BY_ISSUER_PARA*>(para)->pszUsageIdentifier;
    r.usage = usage ? usage : "";
    if (r.answerCommonName == nullptr) {
        SetLastError(static_cast<DWORD>(CRYPT_E_NOT_FOUND));
        return nullptr;
    }
    PCCERT_CONTEXT certificate = LoadRootCertificate();
    if (certificate == nullptr || CommonName(certificate) != r.answerCommonName)
        return nullptr;
    CERT_CHAIN_PARA chainPara = {};
    chainPara.cbSize = sizeof(chainPara);
    PCCERT_CHAIN_CONTEXT chain = nullptr;
    CertGetCertificateChain(nullptr, certificate, nullptr, store, &chainPara, 0, nullptr, &chain);
    CertFreeCertificateContext(certificate);
    return chain;
}

// The image, imported once for all the tests; the chain search replaced by the recorder
// (the search by usage does not use it). That a client certificate alone is not found, by
// either search: ServerCertificateImport.RefusedImageChangesNothing.
class ServerCertificateSearch : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        twoUnits_.reset(new ImportedImage(L"test_two_units.pfx"));
    }
    static void TearDownTestSuite() { twoUnits_.reset(); }
    void SetUp() override
    {
        ASSERT_NE(nullptr, twoUnits_->Store());
        g_chainSearch = ChainSearchRecord();
    }
    ScopedSeam<CertFindChainInStoreCall> findChain_{g_certFindChainInStoreCall, RecordingFindChain};
    static std::unique_ptr<ImportedImage> twoUnits_;
};
std::unique_ptr<ImportedImage> ServerCertificateSearch::twoUnits_;

}  // namespace

TEST_F(ServerCertificateSearch, ByUsageFindsNothingWithoutPrivateKey)
{
    // The root CA has neither key nor usage restriction: only the missing key rules it out.
    HCERTSTORE rootOnly = CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, 0, nullptr);
    PCCERT_CONTEXT root = LoadRootCertificate();
    ASSERT_NE(nullptr, root);
    ASSERT_TRUE(CertAddCertificateContextToStore(rootOnly, root, CERT_STORE_ADD_ALWAYS, nullptr));
    SetLastError(0);
    EXPECT_EQ(nullptr, FindServerCertificateByUsage(rootOnly));
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_NOT_FOUND), GetLastError());
    // Without a usage extension any usage is allowed.
    EXPECT_TRUE(AllowsServerAuthentication(root));
    CertFreeCertificateContext(root);
    CertCloseStore(rootOnly, 0);
}

TEST_F(ServerCertificateSearch, AsksForServerAuthenticationChainsByIssuer)
{
    PCCERT_CONTEXT found = FindServerCertificate(twoUnits_->Store());
    const ChainSearchRecord& r = g_chainSearch;
    ASSERT_EQ(1, r.calls);
    // Server authentication chains, by issuer, in the image's store.
    EXPECT_EQ(std::make_tuple(twoUnits_->Store(), static_cast<DWORD>(CERT_CHAIN_FIND_BY_ISSUER),
                              std::string("1.3.6.1.5.5.7.3.1")),
              std::make_tuple(r.store, r.type, r.usage));
    // Nothing from the chain search: our own search answers.
    ASSERT_NE(nullptr, found);
    EXPECT_EQ(L"two-units.test", CommonName(found));
    CertFreeCertificateContext(found);
}

TEST_F(ServerCertificateSearch, ChainFoundIsTakenAsItIs)
{
    // The root is not even in the image, so only the chain can have named it.
    g_chainSearch.answerCommonName = L"Brindleway Root CA";
    PCCERT_CONTEXT found = FindServerCertificate(twoUnits_->Store());
    ASSERT_NE(nullptr, found);
    EXPECT_EQ(L"Brindleway Root CA", CommonName(found));
    CertFreeCertificateContext(found);
}
