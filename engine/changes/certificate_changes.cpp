#include "engine/changes/certificate_changes.h"

#include "system/certificates/certificate_import.h"
#include "system/certificates/certificate_removal.h"
#include "system/certificates/trust_list.h"

namespace {

const wchar_t kServerStore[] = L"MY";
const wchar_t kRootStore[] = L"Root";

Provenance MadeOrFound(bool made)
{
    return made ? Provenance::kMade : Provenance::kFound;
}

} // namespace

ServerCertificateChange::ServerCertificateChange(const BYTE* image, DWORD size, const wchar_t* password,
                                                 BYTE (&hash)[20])
    : image_(image), size_(size), password_(password), hash_(hash)
{
}

bool ServerCertificateChange::Apply()
{
    DWORD length = sizeof(own_);
    const DWORD error = ImportServerCertificate(image_, size_, password_, own_, &length, kServerStore, &added_);
    password_ = nullptr;
    if (error == 0 && length != sizeof(own_)) {
        SetLastError(ERROR_INVALID_DATA);
        return false;
    }
    CopyMemory(hash_, own_, sizeof(own_));
    SetLastError(error);
    return error == 0;
}

bool ServerCertificateChange::Undo()
{
    return !added_ || DeleteMachineCertificate(kServerStore, own_, sizeof(own_));
}

void ServerCertificateChange::Remember(RememberedInstallation& memory) const
{
    memory.server_certificate = MadeOrFound(added_);
    CopyMemory(memory.server_thumbprint, own_, sizeof(own_));
}

RootCertificateChange::RootCertificateChange(const BYTE* bytes, DWORD size) : bytes_(bytes), size_(size)
{
}

bool RootCertificateChange::Apply()
{
    return AddRootCertificate(bytes_, size_, kRootStore, hash_, &added_) == 0;
}

bool RootCertificateChange::Undo()
{
    return !added_ || DeleteMachineCertificate(kRootStore, hash_, sizeof(hash_));
}

void RootCertificateChange::Remember(RememberedInstallation& memory) const
{
    memory.root_certificate = MadeOrFound(added_);
    CopyMemory(memory.root_thumbprint, hash_, sizeof(hash_));
}

bool TrustListChange::Apply()
{
    if (!EnsureServerTrustList(&created_))
        return false;
    SetLastError(0);
    return true;
}

bool TrustListChange::Undo()
{
    return !created_ || DeleteServerTrustList();
}

void TrustListChange::Remember(RememberedInstallation& memory) const
{
    memory.trust_list = MadeOrFound(created_);
}
