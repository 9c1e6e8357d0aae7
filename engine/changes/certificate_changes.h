#pragma once
#include <windows.h>

#include "engine/changes/machine_change.h"
#include "system/certificates/certificate_import.h"

// The certificates of the server's HTTPS: the server certificate with its key, the root
// that issued the default one, and the server's trust list.

// ImportServerCertificate of a PFX image into the machine's "MY" store; `hash` receives
// the certificate's SHA-1 hash. What the import added or replaced is taken back
// (RemoveImportedCertificate); a reused entry stays.
class ServerCertificateChange final : public MachineChange
{
public:
    ServerCertificateChange(const BYTE* image, DWORD size, const wchar_t* password, BYTE (&hash)[20]);
    bool Apply() override;
    bool Undo() override;
    bool Preview(ChangePreview& preview) override;
    void Remember(RememberedInstallation& memory) const override;
    // Another certificate imported for the server later in the run: this one's entry and
    // key would be left behind, orphaned.
    bool Replaces(const MachineChange& earlier) const override;
    const wchar_t* Kind() const override { return L"server certificate"; }

private:
    const BYTE* image_;
    DWORD size_;
    const wchar_t* password_;  // used by Apply only
    BYTE (&hash_)[20];
    ServerCertificateImport import_;
};

// AddRootCertificate into the machine's "Root" store; it goes again when it was not there.
class RootCertificateChange final : public MachineChange
{
public:
    RootCertificateChange(const BYTE* bytes, DWORD size);
    bool Apply() override;
    bool Undo() override;
    bool Preview(ChangePreview& preview) override;
    void Remember(RememberedInstallation& memory) const override;
    const wchar_t* Kind() const override { return L"root certificate"; }

private:
    const BYTE* bytes_;
    DWORD size_;
    BYTE hash_[20] = {};
    bool added_ = false;
};

// EnsureServerTrustList; the list goes again when it was made here.
class TrustListChange final : public MachineChange
{
public:
    bool Apply() override;
    bool Undo() override;
    bool Preview(ChangePreview& preview) override;
    void Remember(RememberedInstallation& memory) const override;
    const wchar_t* Kind() const override { return L"trust list"; }

private:
    bool created_ = false;
};
