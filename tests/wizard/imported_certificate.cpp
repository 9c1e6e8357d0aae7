#include "wizard/imported_certificate.h"

#include <vector>

#include "base/install_settings.h"
#include "certificates/certificate_fixtures.h"

void RemoveImportedServerCertificate()
{
    std::vector<BYTE> hash = StoredThumbprint();
    if (hash != std::vector<BYTE>(20, 0))
        RemoveFromMachineStore(L"MY", hash);
}
