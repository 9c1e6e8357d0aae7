#include "system/certificates/certificate_import_undo.h"

#include <string.h>

#include "base/bounded_text.h"
#include "base/last_error.h"
#include "base/scoped_handle.h"
#include "system/certificates/certificate_removal.h"
#include "system/certificates/certificate_store.h"
#include "system/certificates/key_container.h"

namespace {

bool AddSerializedEntry(HCERTSTORE store, const BYTE* serialized, DWORD size, PCCERT_CONTEXT* added)
{
    const void* context = nullptr;
    const BOOL done = CertAddSerializedElementToStore(store, serialized, size, CERT_STORE_ADD_REPLACE_EXISTING, 0,
                                                      CERT_STORE_CERTIFICATE_CONTEXT_FLAG, nullptr, &context);
    *added = static_cast<PCCERT_CONTEXT>(context);
    return done != FALSE;
}

// The key container that the serialized earlier entry links ("" for none); false when the
// bytes are no entry of the certificate `hash`.
bool ReadEarlierEntry(const BYTE* serialized, DWORD size, const BYTE* hash, wchar_t (&container)[260])
{
    UniqueCertStore memory(CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, 0, nullptr));
    PCCERT_CONTEXT parsed = nullptr;
    if (!memory || !AddSerializedEntry(memory.Get(), serialized, size, &parsed)) {
        SetResult(LastErrorOr(ERROR_INVALID_DATA));
        return false;
    }
    UniqueCertContext entry(parsed);
    BYTE ownHash[20] = {};
    DWORD length = sizeof(ownHash);
    if (!CertGetCertificateContextProperty(entry.Get(), CERT_SHA1_HASH_PROP_ID, ownHash, &length)
        || length != sizeof(ownHash) || memcmp(ownHash, hash, sizeof(ownHash)) != 0) {
        SetResult(ERROR_INVALID_DATA);
        return false;
    }
    KeyLink link;
    container[0] = 0;
    if (ReadKeyLink(entry.Get(), &link))
        CopyText(container, link.container);
    return true;
}

} // namespace

bool RemoveImportedCertificate(const wchar_t* storeName, const ServerCertificateImport& import)
{
    if (import.use == ServerCertificateUse::kReuse) {
        SetLastError(0);
        return true;
    }
    return RemoveImportedCertificate(storeName, import.hash, import.key_container, import.replaced,
                                     import.replaced_size);
}

bool RemoveImportedCertificate(const wchar_t* storeName, const BYTE* hash, const wchar_t* keyContainer,
                               const BYTE* replaced, DWORD replacedSize)
{
    if (replacedSize == 0)
        return DeleteMachineCertificate(storeName, hash, 20, keyContainer);
    wchar_t earlierContainer[260];
    if (!ReadEarlierEntry(replaced, replacedSize, hash, earlierContainer))
        return false;
    const bool shared = lstrcmpiW(keyContainer, earlierContainer) == 0;
    // Put back also when the deletion failed: the earlier entry replaces the run's.
    const bool deleted = DeleteMachineCertificate(storeName, hash, 20, shared ? L"" : keyContainer);
    const DWORD error = GetLastError();
    if (!PutBackEarlierCertificate(storeName, replaced, replacedSize))
        return false;
    SetLastError(error);
    return deleted;
}

bool PutBackEarlierCertificate(const wchar_t* storeName, const BYTE* serialized, DWORD size)
{
    UniqueCertStore store(OpenMachineStore(storeName));
    PCCERT_CONTEXT added = nullptr;
    if (!store || !AddSerializedEntry(store.Get(), serialized, size, &added)) {
        SetResult(LastErrorOr(ERROR_CAN_NOT_COMPLETE));
        return false;
    }
    UniqueCertContext entry(added);
    SetLastError(0);
    return true;
}
