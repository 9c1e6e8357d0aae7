#pragma once
#include <windows.h>
#include <wincrypt.h>
#include <string>
#include <vector>

// Test certificates of resources/certificates and helpers around the machine's stores.

std::wstring CertificateFilePath(const wchar_t* name);
std::vector<BYTE> ReadCertificateFile(const wchar_t* name);

static const wchar_t kPasswordOfTestPfx[] = L"Velmora-Test-7";

// SHA-1 of a certificate's encoded bytes, as a 20-byte vector.
std::vector<BYTE> CertificateHash(PCCERT_CONTEXT certificate);

// How many certificates with this SHA-1 hash (every certificate, for no hash) the machine's
// store holds.
int CountInMachineStore(const wchar_t* storeName, const std::vector<BYTE>& hash = {});
// Removes every certificate with this hash from the machine's store, with its private key,
// as the undoing of an installation does.
void RemoveFromMachineStore(const wchar_t* storeName, const std::vector<BYTE>& hash);

// The test root CA, made from BrindlewayRootCA.cer; the caller frees it.
PCCERT_CONTEXT LoadRootCertificate();
std::vector<BYTE> RootCertificateHash();

// True when this platform's PFX import opens an image without a private key (Windows
// does; Wine's import requires a key).
bool PfxImportTakesImagesWithoutKey();

// A PFX image opened into a temporary store.
class ImportedImage
{
public:
    explicit ImportedImage(const wchar_t* fileName, const wchar_t* password = L"");
    ~ImportedImage();
    ImportedImage(const ImportedImage&) = delete;
    ImportedImage& operator=(const ImportedImage&) = delete;
    HCERTSTORE Store() const { return store_; }
    // The certificate whose subject holds `commonName`, owned by the store.
    PCCERT_CONTEXT WithCommonName(const wchar_t* commonName) const;

private:
    std::vector<BYTE> bytes_;
    HCERTSTORE store_;
};

// The common name of a certificate's subject.
std::wstring CommonName(PCCERT_CONTEXT certificate);
