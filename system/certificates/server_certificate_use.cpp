#include "system/certificates/server_certificate_use.h"

ServerCertificateUse DecideServerCertificateUse(bool storeHoldsIt, bool itsKeyIsThere, bool systemMayUseKey)
{
    if (!storeHoldsIt)
        return ServerCertificateUse::kImportAsNew;
    return itsKeyIsThere && systemMayUseKey ? ServerCertificateUse::kReuse : ServerCertificateUse::kImportOverEarlier;
}
