#include "system/certificates/certificate_store.h"

HCERTSTORE OpenMachineStore(const wchar_t* name)
{
    return CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, name);
}

HCERTSTORE OpenMachineStoreForDeletion(const wchar_t* name)
{
    HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_REGISTRY_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, name);
    if (!store)
        SetLastError(LastErrorOr(ERROR_OPEN_FAILED));
    return store;
}

PCCERT_CONTEXT FindCertificateByHash(HCERTSTORE store, const BYTE* hash, DWORD hashLength)
{
    CRYPT_HASH_BLOB blob = {hashLength, const_cast<BYTE*>(hash)};
    return CertFindCertificateInStore(store, kCertEncoding, 0, CERT_FIND_SHA1_HASH, &blob, nullptr);
}
