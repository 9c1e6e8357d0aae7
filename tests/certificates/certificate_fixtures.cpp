#include "certificates/certificate_fixtures.h"

#include "support/temp_folder.h"
#include "system/certificates/certificate_removal.h"

std::wstring CertificateFilePath(const wchar_t* name)
{
    return std::wstring(VELMORA_CERTIFICATES_DIR) + L"/" + name;
}

std::vector<BYTE> ReadCertificateFile(const wchar_t* name)
{
    std::string bytes = ReadWholeFile(CertificateFilePath(name));
    return std::vector<BYTE>(bytes.begin(), bytes.end());
}

std::vector<BYTE> CertificateHash(PCCERT_CONTEXT certificate)
{
    std::vector<BYTE> hash(20);
    DWORD size = 20;
    if (!CryptHashCertificate(0, CALG_SHA1, 0, certificate->pbCertEncoded, certificate->cbCertEncoded,
                              hash.data(), &size))
        hash.clear();
    return hash;
}

int CountInMachineStore(const wchar_t* storeName, const std::vector<BYTE>& hash)
{
    HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, storeName);
    if (store == nullptr)
        return -1;
    CRYPT_HASH_BLOB blob = {static_cast<DWORD>(hash.size()), const_cast<BYTE*>(hash.data())};
    DWORD type = hash.empty() ? CERT_FIND_ANY : CERT_FIND_SHA1_HASH;
    int count = 0;
    PCCERT_CONTEXT found = nullptr;
    while ((found = CertFindCertificateInStore(store, X509_ASN_ENCODING, 0, type, &blob, found)))
        ++count;
    CertCloseStore(store, 0);
    return count;
}

void RemoveFromMachineStore(const wchar_t* storeName, const std::vector<BYTE>& hash)
{
    DeleteMachineCertificate(storeName, hash.data(), static_cast<DWORD>(hash.size()));
}

PCCERT_CONTEXT LoadRootCertificate()
{
    std::vector<BYTE> der = ReadCertificateFile(L"BrindlewayRootCA.cer");
    return CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size()));
}

std::vector<BYTE> RootCertificateHash()
{
    PCCERT_CONTEXT root = LoadRootCertificate();
    std::vector<BYTE> hash = root ? CertificateHash(root) : std::vector<BYTE>();
    CertFreeCertificateContext(root);
    return hash;
}

bool PfxImportTakesImagesWithoutKey()
{
    static const bool takes = ImportedImage(L"test_no_key.pfx").Store() != nullptr;
    return takes;
}

ImportedImage::ImportedImage(const wchar_t* fileName, const wchar_t* password)
    : bytes_(ReadCertificateFile(fileName)), store_(nullptr)
{
    CRYPT_DATA_BLOB blob = {static_cast<DWORD>(bytes_.size()), bytes_.data()};
    store_ = PFXImportCertStore(&blob, password, CRYPT_MACHINE_KEYSET);
}

ImportedImage::~ImportedImage()
{
    if (store_ != nullptr)
        CertCloseStore(store_, 0);
}

PCCERT_CONTEXT ImportedImage::WithCommonName(const wchar_t* commonName) const
{
    PCCERT_CONTEXT certificate = nullptr;
    while ((certificate = CertEnumCertificatesInStore(store_, certificate)) != nullptr) {
        if (CommonName(certificate) == commonName) {
            CertFreeCertificateContext(certificate);  // the store keeps it
            return certificate;
        }
    }
    return nullptr;
}

std::wstring CommonName(PCCERT_CONTEXT certificate)
{
    wchar_t name[256] = {};
    CertGetNameStringW(certificate, CERT_NAME_ATTR_TYPE, 0, const_cast<char*>(szOID_COMMON_NAME), name, 256);
    return name;
}
