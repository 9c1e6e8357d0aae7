#include "system/certificates/certificate_removal.h"

#include "base/scoped_handle.h"
#include "system/certificates/certificate_store.h"
#include "system/certificates/key_container.h"

namespace {

// The key container linked by `certificate` goes with it: every one for no `onlyKey`, none
// for "", else only the container of that name.
void DeleteLinkedKey(PCCERT_CONTEXT certificate, const wchar_t* onlyKey)
{
    KeyLink link;
    if (!ReadKeyLink(certificate, &link))
        return;
    if (onlyKey == nullptr)
        DeleteKeyContainer(link);
    else if (onlyKey[0] != 0 && lstrcmpiW(link.container, onlyKey) == 0)
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
        DeleteLinkedKey(found, onlyKey);
        // Frees the context, also when it fails.
        if (!CertDeleteCertificateFromStore(found)) {
            SetResult(LastErrorOr(ERROR_CAN_NOT_COMPLETE));
            return false;
        }
    }
    SetLastError(0);
    return true;
}
