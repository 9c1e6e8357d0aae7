#include "engine/changes/certificate_changes.h"

#include <string.h>

#include "system/certificates/certificate_import.h"
#include "system/certificates/certificate_import_undo.h"
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
    const DWORD error = ImportServerCertificate(image_, size_, password_, nullptr, nullptr, kServerStore, &import_);
    password_ = nullptr;
    CopyMemory(hash_, import_.hash, sizeof(hash_));
    SetLastError(error);
    return error == 0;
}

bool ServerCertificateChange::Preview(ChangePreview& preview)
{
    ServerCertificateImport judged;
    const DWORD error = PreviewServerCertificateImport(image_, size_, password_, kServerStore, judged);
    password_ = nullptr;
    if (error == ERROR_NOT_SUPPORTED) {
        preview.Say(Kind(), L"would import the file's certificate with its key into the machine's \"MY\" store "
                            L"(this system cannot tell which certificate it is without storing its key)");
        return true;
    }
    if (error != 0)
        return false;
    CopyMemory(hash_, judged.hash, sizeof(hash_));
    const ThumbprintText thumbprint(hash_);
    switch (judged.use) {
    case ServerCertificateUse::kReuse:
        preview.Say(Kind(), L"would use %s as it is in the machine's \"MY\" store; finds it there with a key "
                            L"the service may use", thumbprint.text);
        break;
    case ServerCertificateUse::kImportOverEarlier:
        preview.Say(Kind(), L"would import %s with its key into the machine's \"MY\" store; finds an entry of it "
                            L"whose key is missing or closed to the service, which it would replace", thumbprint.text);
        break;
    default:
        preview.Say(Kind(), L"would import %s with its key into the machine's \"MY\" store; finds no entry of it",
                    thumbprint.text);
    }
    return true;
}

bool ServerCertificateChange::Undo()
{
    return RemoveImportedCertificate(kServerStore, import_);
}

void ServerCertificateChange::Remember(RememberedInstallation& memory) const
{
    // The page imports again for each answer it asks: a later import of the certificate an
    // earlier one of this run added finds the run's own entry, which stays the run's.
    if (memory.server_certificate == Provenance::kMade &&
        memcmp(memory.server_thumbprint, import_.hash, sizeof(import_.hash)) == 0)
        return;
    memory.server_certificate = MadeOrFound(import_.use != ServerCertificateUse::kReuse);
    CopyMemory(memory.server_thumbprint, import_.hash, sizeof(import_.hash));
    CopyMemory(memory.key_container, import_.key_container, sizeof(import_.key_container));
    CopyMemory(memory.replaced_certificate, import_.replaced, import_.replaced_size);
    memory.replaced_certificate_size = import_.replaced_size;
}

bool ServerCertificateChange::Replaces(const MachineChange& earlier) const
{
    const auto* import = dynamic_cast<const ServerCertificateChange*>(&earlier);
    return import && memcmp(import->import_.hash, import_.hash, sizeof(import_.hash)) != 0;
}

RootCertificateChange::RootCertificateChange(const BYTE* bytes, DWORD size) : bytes_(bytes), size_(size)
{
}

bool RootCertificateChange::Apply()
{
    return AddRootCertificate(bytes_, size_, kRootStore, hash_, &added_) == 0;
}

bool RootCertificateChange::Preview(ChangePreview& preview)
{
    DWORD length = sizeof(hash_);
    if (!CryptHashCertificate(0, 0, 0, bytes_, size_, hash_, &length))
        return false;
    const ThumbprintText thumbprint(hash_);
    if (MachineStoreHolds(kRootStore, hash_, sizeof(hash_)))
        preview.Say(Kind(), L"would keep %s in the machine's \"Root\" store; finds it there", thumbprint.text);
    else
        preview.Say(Kind(), L"would add %s to the machine's \"Root\" store; finds it missing", thumbprint.text);
    return true;
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

bool TrustListChange::Preview(ChangePreview& preview)
{
    preview.Say(Kind(), HasServerTrustList() ? L"would keep the server's trust list; finds it there"
                                             : L"would add the server's trust list; finds none");
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
