#include "system/certificates/certificate_keys.h"

bool HasPrivateKey(PCCERT_CONTEXT certificate)
{
    DWORD size = 0;
    return CertGetCertificateContextProperty(certificate, CERT_KEY_PROV_INFO_PROP_ID, nullptr, &size)
        && size != 0;
}
