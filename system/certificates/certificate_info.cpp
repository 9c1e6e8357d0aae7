#include "system/certificates/certificate_info.h"
#include "base/scoped_handle.h"
#include "system/certificates/certificate_keys.h"
#include "system/certificates/certificate_store.h"

namespace {

const DWORD kSubjectNameCapacity = 1024;

// The first certificate of the store that has a private key, or null.
PCCERT_CONTEXT FirstCertificateWithKey(HCERTSTORE store)
{
    PCCERT_CONTEXT certificate = nullptr;
    while ((certificate = CertEnumCertificatesInStore(store, certificate)) != nullptr) {
        if (HasPrivateKey(certificate))
            return certificate;
    }
    return nullptr;
}

}  // namespace

DWORD ReadCertificateInfo(const BYTE* image, DWORD size, const wchar_t* password,
                          CertificateInfo* info)
{
    if (image == nullptr || info == nullptr)
        return SetResult(ERROR_INVALID_PARAMETER);

    CRYPT_DATA_BLOB blob = {size, const_cast<BYTE*>(image)};
    UniqueCertStore store(PFXImportCertStore(&blob, password, CRYPT_MACHINE_KEYSET));
    if (!store)
        return SetResult(LastErrorOr(ERROR_INVALID_DATA));

    UniqueCertContext certificate(FirstCertificateWithKey(store.Get()));
    if (certificate) {
        wchar_t name[kSubjectNameCapacity] = {};
        CertNameToStrW(kCertEncoding, &certificate.Get()->pCertInfo->Subject, CERT_OID_NAME_STR,
                       name, kSubjectNameCapacity);
        FillSubjectFields(name, info);
        FileTimeToSystemTime(&certificate.Get()->pCertInfo->NotBefore, &info->valid_from);
        FileTimeToSystemTime(&certificate.Get()->pCertInfo->NotAfter, &info->valid_to);
    }
    return SetResult(0);
}
