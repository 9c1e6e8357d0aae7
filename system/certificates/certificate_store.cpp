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
