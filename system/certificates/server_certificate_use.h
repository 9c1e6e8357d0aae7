#pragma once

// What the setup does with the server certificate of a PFX image, judged from the entry the
// machine's store may hold of the same certificate.
enum class ServerCertificateUse
{
    kReuse,              // the store's entry stays as it is; nothing is written
    kImportAsNew,        // the store holds no entry of it
    kImportOverEarlier,  // the store's entry is replaced; the earlier one is kept to put back
};

// Reuses the store's entry only when its private key is there and the service (LocalSystem)
// may use that key; otherwise the server could not use the certificate it names.
ServerCertificateUse DecideServerCertificateUse(bool storeHoldsIt, bool itsKeyIsThere, bool systemMayUseKey);
