#include "system/certificates/certificate_removal.h"

#include "base/scoped_handle.h"
#include "system/certificates/certificate_store.h"

namespace {

PCCERT_CONTEXT FindByHash(HCERTSTORE store, const BYTE* hash, DWORD hashLength)
{
    CRYPT_HASH_BLOB blob = {hashLength, const_cast<BYTE*>(hash)};
    return CertFindCertificateInStore(store, kCertEncoding, 0, CERT_FIND_SHA1_HASH, &blob, nullptr);
}

// The key container that the PFX import made for the certificate goes with it.
void DeletePrivateKey(PCCERT_CONTEXT certificate)
{
    DWORD size = 0;
    if (!CertGetCertificateContextProperty(certificate, CERT_KEY_PROV_INFO_PROP_ID, nullptr, &size))
        return;
    UniqueCryptMemory buffer(CryptMemAlloc(size));
    if (!buffer || !CertGetCertificateContextProperty(certificate, CERT_KEY_PROV_INFO_PROP_ID, buffer.Get(), &size))
        return;
    const auto* info = static_cast<const CRYPT_KEY_PROV_INFO*>(buffer.Get());
    HCRYPTPROV provider = 0;
    CryptAcquireContextW(&provider, info->pwszContainerName, info->pwszProvName, info->dwProvType,
                         (info->dwFlags & CRYPT_MACHINE_KEYSET) | CRYPT_DELETEKEYSET);
}

} // namespace

bool MachineStoreHolds(const wchar_t* storeName, const BYTE* hash, DWORD hashLength)
{
    UniqueCertStore store(OpenMachineStore(storeName));
    return store && UniqueCertContext(FindByHash(store.Get(), hash, hashLength));
}

bool DeleteMachineCertificate(const wchar_t* storeName, const BYTE* hash, DWORD hashLength)
{
    UniqueCertStore store(OpenMachineStoreForDeletion(storeName));
    if (!store)
        return false;
    PCCERT_CONTEXT found;
    while ((found = FindByHash(store.Get(), hash, hashLength)) != nullptr) {
        DeletePrivateKey(found);
        // Frees the context, also when it fails.
        if (!CertDeleteCertificateFromStore(found)) {
            SetResult(LastErrorOr(ERROR_CAN_NOT_COMPLETE));
            return false;
        }
    }
    SetLastError(0);
    return true;
}
