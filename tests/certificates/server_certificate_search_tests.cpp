// Finding the server certificate of an imported image: the chain search first, our own
// search by key and usage when that finds nothing.
#include <gtest/gtest.h>
#include "certificates/certificate_fixtures.h"
#include "base/scoped_seam.h"
#include "system/certificates/certificate_search.h"
#include "system/certificates/certificate_search_seams.h"

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

}  // namespace

TEST(ServerCertificateSearch, ByUsageFindsNothingWithoutPrivateKey)
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

// Server authentication chains, by issuer, in the image's store; when that search finds
// nothing our own answers, and what it finds is taken as it is (the root is not even in the
// image, so only the chain can have named it). That a client certificate alone is not
// found, by either search: ServerCertificateImporting.RefusedImageChangesNothing.
TEST(ServerCertificateSearch, AsksForServerAuthenticationChainsByIssuerFirst)
{
    ImportedImage twoUnits(L"test_two_units.pfx");
    ASSERT_NE(nullptr, twoUnits.Store());
    ScopedSeam<CertFindChainInStoreCall> findChain(g_certFindChainInStoreCall, RecordingFindChain);
    for (const wchar_t* chainFinds : {static_cast<const wchar_t*>(nullptr), L"Brindleway Root CA"}) {
        SCOPED_TRACE(chainFinds ? "the chain search finds the root" : "the chain search finds nothing");
        g_chainSearch = ChainSearchRecord();
        g_chainSearch.answerCommonName = chainFinds;
        PCCERT_CONTEXT found = FindServerCertificate(twoUnits.Store());
        const ChainSearchRecord& r = g_chainSearch;
        EXPECT_EQ(std::make_tuple(1, twoUnits.Store(), static_cast<DWORD>(CERT_CHAIN_FIND_BY_ISSUER),
                                  std::string("1.3.6.1.5.5.7.3.1")),
                  std::make_tuple(r.calls, r.store, r.type, r.usage));
        ASSERT_NE(nullptr, found);
        EXPECT_EQ(chainFinds ? chainFinds : L"two-units.test", CommonName(found));
        CertFreeCertificateContext(found);
    }
}
