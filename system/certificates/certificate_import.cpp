#include "system/certificates/certificate_import.h"
#include "base/bounded_text.h"
#include "base/scoped_handle.h"
#include "system/certificates/certificate_import_undo.h"
#include "system/certificates/certificate_keys.h"
#include "system/certificates/certificate_removal.h"
#include "system/certificates/certificate_search.h"
#include "system/certificates/certificate_store.h"
#include "system/certificates/key_container.h"

namespace {

// The key containers that entries of the store link after the import: the earlier entry's
// and the run's own. The import's other containers go again.
struct LinkedContainers
{
    wchar_t earlier[260] = {};
    wchar_t own[260] = {};

    bool Holds(const wchar_t* container) const
    {
        return lstrcmpiW(container, earlier) == 0 || lstrcmpiW(container, own) == 0;
    }
};

void CopyLinkedContainer(PCCERT_CONTEXT certificate, wchar_t (&container)[260])
{
    KeyLink link;
    if (ReadKeyLink(certificate, &link))
        CopyText(container, link.container);
}

// Wine's import keeps every key in one container, which an earlier entry may link as well.
void DeleteUnlinkedImportedKeys(HCERTSTORE imported, const LinkedContainers& linked)
{
    PCCERT_CONTEXT certificate = nullptr;
    while ((certificate = CertEnumCertificatesInStore(imported, certificate)) != nullptr) {
        KeyLink link;
        if (ReadKeyLink(certificate, &link) && !linked.Holds(link.container))
            DeleteImportedKeyContainer(link);
    }
}

// Serializes the store's earlier entry into `outcome.replaced`; refused when it does not fit.
DWORD SaveEarlierEntry(PCCERT_CONTEXT earlier, ServerCertificateImport& outcome)
{
    DWORD size = 0;
    if (!CertSerializeCertificateStoreElement(earlier, 0, nullptr, &size))
        return LastErrorOr(ERROR_INVALID_DATA);
    if (size > sizeof(outcome.replaced))
        return ERROR_INSUFFICIENT_BUFFER;
    if (!CertSerializeCertificateStoreElement(earlier, 0, outcome.replaced, &size))
        return LastErrorOr(ERROR_INVALID_DATA);
    outcome.replaced_size = size;
    return 0;
}

// What the store's entry of the certificate `outcome.hash` (into `earlier`, none when the
// store has none) means for the import: `outcome.use`.
DWORD JudgeStoredEntry(const wchar_t* storeName, ServerCertificateImport& outcome, UniqueCertContext& earlier)
{
    UniqueCertStore store(OpenMachineStore(storeName));
    if (!store)
        return LastErrorOr(ERROR_OPEN_FAILED);
    earlier.Reset(FindCertificateByHash(store.Get(), outcome.hash, sizeof(outcome.hash)));
    const KeyUsability key = earlier ? JudgeLinkedKey(earlier.Get()) : KeyUsability{false, false};
    outcome.use = DecideServerCertificateUse(earlier.IsValid(), key.there, key.system_may_use);
    return 0;
}

// The certificate's SHA-1 hash, once it is known not to have expired: HTTP.sys binds one
// past its end all the same, and every browser then refuses the server.
DWORD HashUsableCertificate(PCCERT_CONTEXT certificate, BYTE (&hash)[20])
{
    if (CertVerifyTimeValidity(nullptr, certificate->pCertInfo) > 0)
        return static_cast<DWORD>(CERT_E_EXPIRED);
    DWORD hashLength = sizeof(hash);
    return CryptHashCertificate(0, 0, 0, certificate->pbCertEncoded, certificate->cbCertEncoded, hash, &hashLength)
               ? 0
               : LastErrorOr(ERROR_INVALID_DATA);
}

// Decides on the store's entry of the certificate `outcome.hash`; one to import over is
// saved into `outcome` and taken out (its key container stays).
DWORD DecideOnStoredEntry(const wchar_t* storeName, ServerCertificateImport& outcome, LinkedContainers& linked)
{
    UniqueCertContext earlier;
    if (DWORD error = JudgeStoredEntry(storeName, outcome, earlier))
        return error;
    if (earlier)
        CopyLinkedContainer(earlier.Get(), linked.earlier);
    if (outcome.use != ServerCertificateUse::kImportOverEarlier)
        return 0;
    if (DWORD error = SaveEarlierEntry(earlier.Get(), outcome))
        return error;
    // Taken out and added anew: replaced in place, Wine's registry store keeps the earlier entry.
    if (!DeleteMachineCertificate(storeName, outcome.hash, sizeof(outcome.hash), L""))
        return LastErrorOr(ERROR_CAN_NOT_COMPLETE);
    return 0;
}

// Reuses, adds or replaces the store's entry of the image's server certificate.
DWORD PlaceServerCertificate(HCERTSTORE imported, const wchar_t* storeName, ServerCertificateImport& outcome,
                             LinkedContainers& linked)
{
    UniqueCertContext certificate(FindServerCertificate(imported));
    if (!certificate)
        return LastErrorOr(static_cast<DWORD>(CRYPT_E_NOT_FOUND));
    if (DWORD error = HashUsableCertificate(certificate.Get(), outcome.hash))
        return error;
    if (DWORD error = DecideOnStoredEntry(storeName, outcome, linked))
        return error;
    if (outcome.use == ServerCertificateUse::kReuse)
        return 0;

    // Opened again: the first view may still show the entry taken out.
    UniqueCertStore target(OpenMachineStore(storeName));
    // The key provider property goes with the certificate: the entry finds its private key.
    if (!target || !CertAddCertificateContextToStore(target.Get(), certificate.Get(), CERT_STORE_ADD_NEW, nullptr)) {
        const DWORD error = LastErrorOr(ERROR_CAN_NOT_COMPLETE);
        if (outcome.replaced_size != 0)
            PutBackEarlierCertificate(storeName, outcome.replaced, outcome.replaced_size);
        return error;
    }
    CopyLinkedContainer(certificate.Get(), linked.own);
    CopyText(outcome.key_container, linked.own);
    return 0;
}

}  // namespace

DWORD ImportServerCertificate(const BYTE* image, DWORD size, const wchar_t* password, BYTE* hash,
                              DWORD* hashLength, const wchar_t* storeName, ServerCertificateImport* outcome)
{
    ServerCertificateImport own;
    ServerCertificateImport& result = outcome != nullptr ? *outcome : own;
    result = ServerCertificateImport();
    if (image == nullptr || storeName == nullptr)
        return SetResult(ERROR_INVALID_PARAMETER);
    if (hash != nullptr && hashLength != nullptr && *hashLength < sizeof(result.hash))
        return SetResult(ERROR_MORE_DATA);

    CRYPT_DATA_BLOB blob = {size, const_cast<BYTE*>(image)};
    // HTTP.sys only signs with the key: nobody is to copy it off the machine.
    UniqueCertStore imported(PFXImportCertStore(&blob, password, CRYPT_MACHINE_KEYSET));
    if (!imported)
        return SetResult(LastErrorOr(ERROR_INVALID_DATA));

    LinkedContainers linked;
    const DWORD error = PlaceServerCertificate(imported.Get(), storeName, result, linked);
    DeleteUnlinkedImportedKeys(imported.Get(), linked);
    if (error == 0 && hash != nullptr && hashLength != nullptr) {
        CopyMemory(hash, result.hash, sizeof(result.hash));
        *hashLength = sizeof(result.hash);
    }
    return SetResult(error);
}

DWORD PreviewServerCertificateImport(const BYTE* image, DWORD size, const wchar_t* password,
                                     const wchar_t* storeName, ServerCertificateImport& outcome)
{
    outcome = ServerCertificateImport();
    if (image == nullptr || storeName == nullptr)
        return SetResult(ERROR_INVALID_PARAMETER);
    CRYPT_DATA_BLOB blob = {size, const_cast<BYTE*>(image)};
    UniqueCertStore imported(PFXImportCertStore(&blob, password, PKCS12_NO_PERSIST_KEY));
    if (!imported) {
        const DWORD error = LastErrorOr(ERROR_INVALID_DATA);
        // A system that knows no keys outside a container refuses the flag, not the password.
        return SetResult(PFXVerifyPassword(&blob, password, 0) ? static_cast<DWORD>(ERROR_NOT_SUPPORTED) : error);
    }
    // Keys held in memory are linked by their context, not by a container.
    PCCERT_CONTEXT certificate = nullptr;
    while ((certificate = CertEnumCertificatesInStore(imported.Get(), certificate)) != nullptr) {
        DWORD propertySize = 0;
        const bool keyed = HasPrivateKey(certificate) ||
                           CertGetCertificateContextProperty(certificate, CERT_KEY_CONTEXT_PROP_ID, nullptr, &propertySize);
        if (keyed && AllowsServerAuthentication(certificate))
            break;
    }
    UniqueCertContext found(certificate);
    if (!found)
        return SetResult(static_cast<DWORD>(CRYPT_E_NOT_FOUND));
    if (DWORD error = HashUsableCertificate(found.Get(), outcome.hash))
        return SetResult(error);
    UniqueCertContext earlier;
    return SetResult(JudgeStoredEntry(storeName, outcome, earlier));
}
