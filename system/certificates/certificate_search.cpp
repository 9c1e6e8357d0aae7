#include "system/certificates/certificate_search.h"
#include "system/certificates/certificate_search_seams.h"
#include "base/scoped_handle.h"
#include "system/certificates/certificate_keys.h"
#include "system/certificates/certificate_store.h"

#include <string.h>
#include <vector>

CertFindChainInStoreCall g_certFindChainInStoreCall = CertFindChainInStore;

static_assert(sizeof(void*) != 4 || sizeof(CERT_CHAIN_FIND_BY_ISSUER_PARA) == 32,
              "the search parameters are 32 bytes in the 32-bit layout");

bool AllowsServerAuthentication(PCCERT_CONTEXT certificate)
{
    DWORD size = 0;
    if (!CertGetEnhancedKeyUsage(certificate, 0, nullptr, &size) || size == 0)
        return false;
    std::vector<BYTE> buffer(size);
    auto* usage = reinterpret_cast<CERT_ENHKEY_USAGE*>(buffer.data());
    if (!CertGetEnhancedKeyUsage(certificate, 0, usage, &size))
        return false;
    // No identifiers: without any restriction when the system says so (CRYPT_E_NOT_FOUND),
    // otherwise the restrictions leave no use at all.
    if (usage->cUsageIdentifier == 0)
        return GetLastError() == static_cast<DWORD>(CRYPT_E_NOT_FOUND);
    for (DWORD i = 0; i < usage->cUsageIdentifier; ++i) {
        const char* id = usage->rgpszUsageIdentifier[i];
        if (strcmp(id, szOID_PKIX_KP_SERVER_AUTH) == 0 || strcmp(id, szOID_ANY_ENHANCED_KEY_USAGE) == 0)
            return true;
    }
    return false;
}

PCCERT_CONTEXT FindServerCertificateByUsage(HCERTSTORE store)
{
    PCCERT_CONTEXT certificate = nullptr;
    while ((certificate = CertEnumCertificatesInStore(store, certificate)) != nullptr) {
        if (HasPrivateKey(certificate) && AllowsServerAuthentication(certificate))
            return certificate;
    }
    SetLastError(static_cast<DWORD>(CRYPT_E_NOT_FOUND));
    return nullptr;
}

PCCERT_CONTEXT FindServerCertificate(HCERTSTORE store)
{
    CERT_CHAIN_FIND_BY_ISSUER_PARA find = {};
    find.cbSize = sizeof(find);
    find.pszUsageIdentifier = szOID_PKIX_KP_SERVER_AUTH;
    UniqueCertChain chain(g_certFindChainInStoreCall(store, kCertEncoding, 0, CERT_CHAIN_FIND_BY_ISSUER,
                                                 &find, nullptr));
    if (!chain)
        return FindServerCertificateByUsage(store);

    const CERT_CHAIN_CONTEXT* context = chain.Get();
    if (context->cChain < 1 || context->rgpChain[0]->cElement < 1
        || context->rgpChain[0]->rgpElement[0]->pCertContext == nullptr) {
        SetLastError(LastErrorOr(static_cast<DWORD>(CRYPT_E_NOT_FOUND)));
        return nullptr;
    }
    return CertDuplicateCertificateContext(context->rgpChain[0]->rgpElement[0]->pCertContext);
}
