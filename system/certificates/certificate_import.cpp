#include "system/certificates/certificate_import.h"
#include "base/scoped_handle.h"
#include "system/certificates/certificate_search.h"
#include "system/certificates/certificate_store.h"

namespace {

// Places the server certificate of `imported` into the target store and hashes it.
DWORD AddServerCertificate(HCERTSTORE imported, const wchar_t* storeName, BYTE* hash, DWORD* hashLength)
{
    UniqueCertContext certificate(FindServerCertificate(imported));
    if (!certificate)
        return LastErrorOr(static_cast<DWORD>(CRYPT_E_NOT_FOUND));

    UniqueCertStore target(OpenMachineStore(storeName));
    if (!target)
        return LastErrorOr(ERROR_OPEN_FAILED);
    // The key provider property goes with the certificate: the copy finds its private key.
    if (!CertAddCertificateContextToStore(target.Get(), certificate.Get(), CERT_STORE_ADD_ALWAYS, nullptr))
        return LastErrorOr(ERROR_CAN_NOT_COMPLETE);

    if (hash != nullptr && hashLength != nullptr
        && !CryptHashCertificate(0, 0, 0, certificate.Get()->pbCertEncoded, certificate.Get()->cbCertEncoded,
                                 hash, hashLength))
        return LastErrorOr(ERROR_MORE_DATA);
    return 0;
}

}  // namespace

DWORD ImportServerCertificate(const BYTE* image, DWORD size, const wchar_t* password, BYTE* hash,
                              DWORD* hashLength, const wchar_t* storeName)
{
    if (image == nullptr || storeName == nullptr)
        return SetResult(ERROR_INVALID_PARAMETER);

    CRYPT_DATA_BLOB blob = {size, const_cast<BYTE*>(image)};
    UniqueCertStore imported(PFXImportCertStore(&blob, password, CRYPT_EXPORTABLE | CRYPT_MACHINE_KEYSET));
    if (!imported)
        return SetResult(LastErrorOr(ERROR_INVALID_DATA));

    return SetResult(AddServerCertificate(imported.Get(), storeName, hash, hashLength));
}
