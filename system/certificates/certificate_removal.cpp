#include "system/certificates/certificate_removal.h"

#include <string.h>

#include "base/scoped_handle.h"
#include "system/certificates/certificate_store.h"
#include "system/certificates/key_container.h"

namespace {

// True when an entry of `store` other than those of the certificate `hash` links the key
// container `container`: Wine's import puts every key into one container of the same name.
bool AnotherEntryLinks(HCERTSTORE store, const BYTE* hash, DWORD hashLength, const wchar_t* container)
{
    PCCERT_CONTEXT entry = nullptr;
    while ((entry = CertEnumCertificatesInStore(store, entry)) != nullptr) {
        BYTE own[20] = {};
        DWORD length = sizeof(own);
        KeyLink link;
        if (CertGetCertificateContextProperty(entry, CERT_SHA1_HASH_PROP_ID, own, &length) &&
            (length != hashLength || memcmp(own, hash, length) != 0) && ReadKeyLink(entry, &link) &&
            lstrcmpiW(link.container, container) == 0) {
            CertFreeCertificateContext(entry);
            return true;
        }
    }
    return false;
}

// The key container linked by `certificate` goes with it: every one for no `onlyKey`, none
// for "", else only the container of that name, while no other entry links it.
void DeleteLinkedKey(HCERTSTORE store, PCCERT_CONTEXT certificate, const BYTE* hash, DWORD hashLength,
                     const wchar_t* onlyKey)
{
    KeyLink link;
    if (!ReadKeyLink(certificate, &link))
        return;
    if (onlyKey == nullptr)
        DeleteKeyContainer(link);
    else if (onlyKey[0] != 0 && lstrcmpiW(link.container, onlyKey) == 0 &&
             !AnotherEntryLinks(store, hash, hashLength, onlyKey))
        DeleteImportedKeyContainer(link);
}

} // namespace

bool MachineStoreHolds(const wchar_t* storeName, const BYTE* hash, DWORD hashLength)
{
    UniqueCertStore store(OpenMachineStore(storeName));
    return store && UniqueCertContext(FindCertificateByHash(store.Get(), hash, hashLength));
}

bool DeleteMachineCertificate(const wchar_t* storeName, const BYTE* hash, DWORD hashLength, const wchar_t* onlyKey)
{
    UniqueCertStore store(OpenMachineStoreForDeletion(storeName));
    if (!store)
        return false;
    PCCERT_CONTEXT found;
    while ((found = FindCertificateByHash(store.Get(), hash, hashLength)) != nullptr) {
        DeleteLinkedKey(store.Get(), found, hash, hashLength, onlyKey);
        // Frees the context, also when it fails.
        if (!CertDeleteCertificateFromStore(found)) {
            SetResult(LastErrorOr(ERROR_CAN_NOT_COMPLETE));
            return false;
        }
    }
    SetLastError(0);
    return true;
}
