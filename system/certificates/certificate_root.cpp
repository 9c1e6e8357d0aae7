#include "base/bin_file.h"
#include "base/scoped_handle.h"
#include "system/certificates/certificate_import.h"
#include "system/certificates/certificate_removal.h"
#include "system/certificates/certificate_store.h"

DWORD InstallRootCertificate(const wchar_t* path, const wchar_t* storeName)
{
    if (path == nullptr || storeName == nullptr)
        return SetResult(ERROR_INVALID_PARAMETER);

    CBinFile file;
    if (!file.Open(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL))
        return SetResult(LastErrorOr(ERROR_OPEN_FAILED));
    ULONGLONG fileSize = file.GetSize();
    if (fileSize > MAXDWORD)
        return SetResult(ERROR_FILE_TOO_LARGE);
    const DWORD size = static_cast<DWORD>(fileSize);

    UniqueCryptMemory bytes(CryptMemAlloc(size));
    if (!bytes)
        return SetResult(LastErrorOr(ERROR_NOT_ENOUGH_MEMORY));
    if (file.Read(bytes.Get(), size) != size)
        return SetResult(LastErrorOr(ERROR_HANDLE_EOF));

    return AddRootCertificate(static_cast<const BYTE*>(bytes.Get()), size, storeName);
}

DWORD AddRootCertificate(const BYTE* bytes, DWORD size, const wchar_t* storeName, BYTE* hash, bool* added)
{
    if (added != nullptr)
        *added = false;
    if (bytes == nullptr || storeName == nullptr)
        return SetResult(ERROR_INVALID_PARAMETER);
    UniqueCertStore store(OpenMachineStore(storeName));
    if (!store)
        return SetResult(LastErrorOr(ERROR_OPEN_FAILED));
    BYTE ownHash[20] = {};
    DWORD hashLength = sizeof(ownHash);
    // The hash of the encoded certificate is its thumbprint.
    const bool hashed = CryptHashCertificate(0, CALG_SHA1, 0, bytes, size, ownHash, &hashLength) != FALSE;
    const bool wasThere = hashed && MachineStoreHolds(storeName, ownHash, hashLength);
    if (!CertAddEncodedCertificateToStore(store.Get(), kCertEncoding, bytes, size, CERT_STORE_ADD_REPLACE_EXISTING,
                                          nullptr))
        return SetResult(LastErrorOr(ERROR_INVALID_DATA));
    if (hash != nullptr)
        CopyMemory(hash, ownHash, sizeof(ownHash));
    if (added != nullptr)
        *added = hashed && !wasThere;
    return SetResult(0);
}
