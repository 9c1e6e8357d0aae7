#include "system/certificates/certificate_import.h"
#include "base/scoped_handle.h"
#include "system/certificates/certificate_removal.h"
#include "system/certificates/certificate_search.h"
#include "system/certificates/certificate_store.h"

namespace {

// Places the server certificate of `imported` into the target store and hashes it.
DWORD AddServerCertificate(HCERTSTORE imported, const wchar_t* storeName, BYTE* hash, DWORD* hashLength,
                           bool* added)
{
    UniqueCertContext certificate(FindServerCertificate(imported));
    if (!certificate)
        return LastErrorOr(static_cast<DWORD>(CRYPT_E_NOT_FOUND));
    BYTE ownHash[20] = {};
    DWORD ownLength = sizeof(ownHash);
    if (!CryptHashCertificate(0, 0, 0, certificate.Get()->pbCertEncoded, certificate.Get()->cbCertEncoded, ownHash,
                              &ownLength))
        return LastErrorOr(ERROR_INVALID_DATA);

    UniqueCertStore target(OpenMachineStore(storeName));
    if (!target)
        return LastErrorOr(ERROR_OPEN_FAILED);
    const bool wasThere = MachineStoreHolds(storeName, ownHash, ownLength);
    // The key provider property goes with the certificate: the copy finds its private key.
    if (!CertAddCertificateContextToStore(target.Get(), certificate.Get(), CERT_STORE_ADD_ALWAYS, nullptr))
        return LastErrorOr(ERROR_CAN_NOT_COMPLETE);
    if (added != nullptr)
        *added = !wasThere;

    if (hash != nullptr && hashLength != nullptr) {
        if (*hashLength < ownLength)
            return ERROR_MORE_DATA;
        CopyMemory(hash, ownHash, ownLength);
        *hashLength = ownLength;
    }
    return 0;
}

}  // namespace

DWORD ImportServerCertificate(const BYTE* image, DWORD size, const wchar_t* password, BYTE* hash,
                              DWORD* hashLength, const wchar_t* storeName, bool* added)
{
    if (added != nullptr)
        *added = false;
    if (image == nullptr || storeName == nullptr)
        return SetResult(ERROR_INVALID_PARAMETER);

    CRYPT_DATA_BLOB blob = {size, const_cast<BYTE*>(image)};
    UniqueCertStore imported(PFXImportCertStore(&blob, password, CRYPT_EXPORTABLE | CRYPT_MACHINE_KEYSET));
    if (!imported)
        return SetResult(LastErrorOr(ERROR_INVALID_DATA));

    return SetResult(AddServerCertificate(imported.Get(), storeName, hash, hashLength, added));
}
