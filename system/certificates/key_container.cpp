#include "system/certificates/key_container.h"
#include "system/certificates/key_container_seams.h"

#include <vector>

#include "base/bounded_text.h"
#include "base/scoped_handle.h"
#include "base/system_dll.h"
#include "base/system_function.h"
#include "system/certificates/key_system_use.h"

CryptGetProvParamCall g_cryptGetProvParamCall = CryptGetProvParam;

namespace {

// CNG (ncrypt.dll), which XP lacks: looked up when a key of a storage provider is met.
using NcryptHandle = ULONG_PTR;
using OpenStorageProviderCall = LONG(WINAPI*)(NcryptHandle*, const wchar_t*, DWORD);
using OpenKeyCall = LONG(WINAPI*)(NcryptHandle, NcryptHandle*, const wchar_t*, DWORD, DWORD);
using GetPropertyCall = LONG(WINAPI*)(NcryptHandle, const wchar_t*, BYTE*, DWORD, DWORD*, DWORD);
using DeleteKeyCall = LONG(WINAPI*)(NcryptHandle, DWORD);
using FreeObjectCall = LONG(WINAPI*)(NcryptHandle);
const DWORD kNcryptMachineKey = 0x20;  // NCRYPT_MACHINE_KEY_FLAG
const DWORD kNcryptSilent = 0x40;      // NCRYPT_SILENT_FLAG

template <typename Call>
Call Ncrypt(const char* name)
{
    static HMODULE module = LoadSystemFolderDll(L"ncrypt.dll");
    return SystemFunction<Call>(module, name);
}

// A CNG object, freed with NCryptFreeObject.
struct NcryptObjectTraits
{
    using Handle = NcryptHandle;
    static Handle Invalid() { return 0; }
    static bool IsValid(Handle h) { return h != 0; }
    static void Close(Handle h)
    {
        if (const auto freeObject = Ncrypt<FreeObjectCall>("NCryptFreeObject"))
            freeObject(h);
    }
};
using NcryptObject = ScopedHandle<NcryptObjectTraits>;

// Opens the CNG key `link` names into `key`; the reason of a failure in the last error.
bool OpenNcryptKey(const KeyLink& link, NcryptObject& provider, NcryptObject& key)
{
    const auto openProvider = Ncrypt<OpenStorageProviderCall>("NCryptOpenStorageProvider");
    const auto openKey = Ncrypt<OpenKeyCall>("NCryptOpenKey");
    if (openProvider == nullptr || openKey == nullptr) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return false;
    }
    NcryptHandle opened = 0;
    LONG status = openProvider(&opened, link.provider, 0);
    provider.Reset(opened);
    if (status == 0) {
        opened = 0;
        status = openKey(provider.Get(), &opened, link.container, link.key_spec,
                         (link.flags & kNcryptMachineKey) | kNcryptSilent);
        key.Reset(opened);
    }
    SetLastError(static_cast<DWORD>(status));
    return status == 0;
}

// The security descriptor of a CNG key (DACL only); empty when it cannot be read.
std::vector<BYTE> NcryptKeyDescriptor(NcryptHandle key)
{
    const auto getProperty = Ncrypt<GetPropertyCall>("NCryptGetProperty");
    DWORD size = 0;
    if (getProperty == nullptr
        || getProperty(key, L"Security Descr", nullptr, 0, &size, DACL_SECURITY_INFORMATION) != 0)
        return {};
    std::vector<BYTE> descriptor(size);
    if (getProperty(key, L"Security Descr", descriptor.data(), size, &size, DACL_SECURITY_INFORMATION) != 0)
        return {};
    return descriptor;
}

// The security descriptor of a CryptoAPI key container (DACL only); empty when it cannot be read.
std::vector<BYTE> CryptoApiKeyDescriptor(HCRYPTPROV provider)
{
    DWORD size = 0;
    if (!g_cryptGetProvParamCall(provider, PP_KEYSET_SEC_DESCR, nullptr, &size, DACL_SECURITY_INFORMATION))
        return {};
    std::vector<BYTE> descriptor(size);
    if (!g_cryptGetProvParamCall(provider, PP_KEYSET_SEC_DESCR, descriptor.data(), &size, DACL_SECURITY_INFORMATION))
        return {};
    return descriptor;
}

bool GrantsSystemUse(std::vector<BYTE>& descriptor)
{
    return !descriptor.empty() && KeyDescriptorGrantsSystemUse(descriptor.data());
}

} // namespace

bool ReadKeyLink(PCCERT_CONTEXT certificate, KeyLink* link)
{
    DWORD size = 0;
    if (!CertGetCertificateContextProperty(certificate, CERT_KEY_PROV_INFO_PROP_ID, nullptr, &size) || size == 0)
        return false;
    std::vector<BYTE> buffer(size);
    if (!CertGetCertificateContextProperty(certificate, CERT_KEY_PROV_INFO_PROP_ID, buffer.data(), &size))
        return false;
    const auto* info = reinterpret_cast<const CRYPT_KEY_PROV_INFO*>(buffer.data());
    const wchar_t* provider = info->pwszProvName ? info->pwszProvName : L"";
    if (info->pwszContainerName == nullptr || !FitsInto(info->pwszContainerName, 260) || !FitsInto(provider, 260))
        return false;
    CopyText(link->container, info->pwszContainerName);
    CopyText(link->provider, provider);
    link->type = info->dwProvType;
    link->flags = info->dwFlags;
    link->key_spec = info->dwKeySpec;
    return true;
}

KeyUsability JudgeLinkedKey(PCCERT_CONTEXT certificate)
{
    KeyLink link;
    // A user's key is out of the service's reach.
    if (!ReadKeyLink(certificate, &link) || (link.flags & CRYPT_MACHINE_KEYSET) == 0)
        return {false, false};
    const wchar_t* provider = link.provider[0] != 0 ? link.provider : nullptr;
    if (link.type == 0) {
        NcryptObject storage, key;
        if (!OpenNcryptKey(link, storage, key))
            return {false, false};
        std::vector<BYTE> descriptor = NcryptKeyDescriptor(key.Get());
        return {true, GrantsSystemUse(descriptor)};
    }
    UniqueCryptProvider container;
    HCRYPTPROV opened = 0;
    if (!CryptAcquireContextW(&opened, link.container, provider, link.type, CRYPT_MACHINE_KEYSET | CRYPT_SILENT))
        return {false, false};
    container.Reset(opened);
    HCRYPTKEY key = 0;
    if (!CryptGetUserKey(container.Get(), link.key_spec, &key))
        return {false, false};
    UniqueCryptKey heldKey(key);
    std::vector<BYTE> descriptor = CryptoApiKeyDescriptor(container.Get());
    return {true, GrantsSystemUse(descriptor)};
}

bool DeleteKeyContainer(const KeyLink& link)
{
    if (link.type == 0) {
        NcryptObject storage, key;
        const auto deleteKey = Ncrypt<DeleteKeyCall>("NCryptDeleteKey");
        if (!OpenNcryptKey(link, storage, key))
            return false;
        if (deleteKey == nullptr) {
            SetLastError(ERROR_PROC_NOT_FOUND);
            return false;
        }
        const LONG status = deleteKey(key.Get(), 0);
        if (status == 0)
            key.Release();  // freed by the deletion
        SetLastError(static_cast<DWORD>(status));
        return status == 0;
    }
    HCRYPTPROV unused = 0;
    const wchar_t* provider = link.provider[0] != 0 ? link.provider : nullptr;
    return CryptAcquireContextW(&unused, link.container, provider, link.type,
                                (link.flags & CRYPT_MACHINE_KEYSET) | CRYPT_DELETEKEYSET)
        != FALSE;
}

bool DeleteImportedKeyContainer(KeyLink link)
{
    link.flags |= CRYPT_MACHINE_KEYSET;
    return DeleteKeyContainer(link);
}
