#include "system/certificates/trust_list.h"
#include "base/scoped_handle.h"
#include "system/certificates/certificate_store.h"

static_assert(sizeof(void*) != 4 || sizeof(CMSG_SIGNED_ENCODE_INFO) == 28,
              "the signing information is 28 bytes in the 32-bit layout");

namespace {

// The usages that the list names, in this order.
const char kClientAuthenticationUsage[] = "1.3.6.1.5.5.7.3.2";
const char kTrustListSecondUsage[] = "1.3.6.1.4.1.311.30.1";
const char kSha1Algorithm[] = "1.3.14.3.2.26";

void SetTextProperty(PCCTL_CONTEXT list, DWORD property, const wchar_t* text)
{
    CRYPT_DATA_BLOB blob;
    blob.cbData = static_cast<DWORD>((lstrlenW(text) + 1) * sizeof(wchar_t));
    blob.pbData = reinterpret_cast<BYTE*>(const_cast<wchar_t*>(text));
    CertSetCTLContextProperty(list, property, 0, &blob);
}

// Encodes an empty, unsigned list for client authentication with the server's identifier,
// adds it to `store` and names it. The failing step's error is the last error.
bool AddServerTrustList(HCERTSTORE store)
{
    LPSTR usages[] = {const_cast<LPSTR>(kClientAuthenticationUsage), const_cast<LPSTR>(kTrustListSecondUsage)};
    CTL_INFO info = {};
    info.dwVersion = CTL_V1;
    info.SubjectUsage.cUsageIdentifier = 2;
    info.SubjectUsage.rgpszUsageIdentifier = usages;
    info.ListIdentifier.cbData = sizeof(kServerTrustListIdentifier);
    info.ListIdentifier.pbData = reinterpret_cast<BYTE*>(const_cast<wchar_t*>(kServerTrustListIdentifier));
    GetSystemTimeAsFileTime(&info.ThisUpdate);
    info.SubjectAlgorithm.pszObjId = const_cast<LPSTR>(kSha1Algorithm);

    CMSG_SIGNED_ENCODE_INFO signing = {};
    signing.cbSize = sizeof(signing);

    DWORD size = 0;
    if (!CryptMsgEncodeAndSignCTL(kCertEncoding, &info, &signing, 0, nullptr, &size)) {
        SetLastError(LastErrorOr(static_cast<DWORD>(CRYPT_E_BAD_ENCODE)));
        return false;
    }
    UniqueCryptMemory encoded(CryptMemAlloc(size));
    if (!encoded) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    BYTE* bytes = static_cast<BYTE*>(encoded.Get());
    if (!CryptMsgEncodeAndSignCTL(kCertEncoding, &info, &signing, 0, bytes, &size)) {
        SetLastError(LastErrorOr(static_cast<DWORD>(CRYPT_E_BAD_ENCODE)));
        return false;
    }
    PCCTL_CONTEXT added = nullptr;
    if (!CertAddEncodedCTLToStore(store, kCertEncoding, bytes, size, CERT_STORE_ADD_REPLACE_EXISTING, &added)) {
        SetLastError(LastErrorOr(static_cast<DWORD>(CRYPT_E_BAD_ENCODE)));
        return false;
    }
    UniqueCtlContext list(added);
    SetTextProperty(list.Get(), CERT_FRIENDLY_NAME_PROP_ID, kServerTrustListFriendlyName);
    SetTextProperty(list.Get(), CERT_DESCRIPTION_PROP_ID, kServerTrustListDescription);
    SetLastError(0);
    return true;
}

}  // namespace

bool EnsureServerTrustList(bool* created)
{
    if (created != nullptr)
        *created = false;
    UniqueCertStore store(OpenMachineStore(kServerTrustListStore));
    if (!store) {
        SetLastError(LastErrorOr(ERROR_OPEN_FAILED));
        return false;
    }
    UniqueCtlContext existing(FindServerTrustList(store.Get()));
    if (existing && existing.Get()->pCtlInfo != nullptr) {
        SetLastError(0);
        return true;
    }
    if (!AddServerTrustList(store.Get()))
        return false;
    if (created != nullptr)
        *created = true;
    return true;
}

bool HasServerTrustList()
{
    UniqueCertStore store(OpenMachineStore(kServerTrustListStore));
    UniqueCtlContext existing(store ? FindServerTrustList(store.Get()) : nullptr);
    return existing && existing.Get()->pCtlInfo != nullptr;
}

bool DeleteServerTrustList()
{
    UniqueCertStore store(OpenMachineStoreForDeletion(kServerTrustListStore));
    if (!store)
        return false;
    PCCTL_CONTEXT list;
    while ((list = FindServerTrustListById(store.Get())) != nullptr) {
        // Frees the context, also when it fails.
        if (!CertDeleteCTLFromStore(list)) {
            SetLastError(LastErrorOr(ERROR_CAN_NOT_COMPLETE));
            return false;
        }
    }
    SetLastError(0);
    return true;
}
