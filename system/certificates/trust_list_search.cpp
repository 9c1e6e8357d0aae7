#include "system/certificates/certificate_store.h"
#include "system/certificates/trust_list.h"
#include "system/certificates/trust_list_seams.h"

#include <string.h>

CertFindCtlInStoreCall g_certFindCtlInStoreCall = CertFindCTLInStore;

static_assert(sizeof(kServerTrustListIdentifier) == 78, "the list identifier is 78 bytes");
static_assert(sizeof(void*) != 4 || sizeof(CTL_FIND_USAGE_PARA) == 24,
              "the search parameters are 24 bytes in the 32-bit layout");

namespace {

bool HasServerIdentifier(PCCTL_CONTEXT list)
{
    const CRYPT_DATA_BLOB& id = list->pCtlInfo->ListIdentifier;
    return id.cbData == sizeof(kServerTrustListIdentifier)
        && memcmp(id.pbData, kServerTrustListIdentifier, id.cbData) == 0;
}

}  // namespace

PCCTL_CONTEXT FindServerTrustListById(HCERTSTORE store)
{
    PCCTL_CONTEXT list = nullptr;
    while ((list = CertEnumCTLsInStore(store, list)) != nullptr) {
        if (list->pCtlInfo != nullptr && HasServerIdentifier(list))
            return list;
    }
    SetLastError(static_cast<DWORD>(CRYPT_E_NOT_FOUND));
    return nullptr;
}

PCCTL_CONTEXT FindServerTrustList(HCERTSTORE store)
{
    CTL_FIND_USAGE_PARA find = {};
    find.cbSize = sizeof(find);
    find.ListIdentifier.cbData = sizeof(kServerTrustListIdentifier);
    find.ListIdentifier.pbData = reinterpret_cast<BYTE*>(const_cast<wchar_t*>(kServerTrustListIdentifier));
    PCCTL_CONTEXT list = g_certFindCtlInStoreCall(store, kCertEncoding, 0, CTL_FIND_USAGE, &find, nullptr);
    return list != nullptr ? list : FindServerTrustListById(store);
}
