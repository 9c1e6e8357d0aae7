#include "system/http/ssl_binding.h"
#include "base/bounded_text.h"
#include "system/certificates/trust_list.h"
#include "system/http/ssl_binding_seams.h"

#include <stdlib.h>
#include <string.h>

HttpInitializeCall g_httpInitializeCall = HttpInitialize;
HttpSetServiceConfigurationCall g_httpSetServiceConfigurationCall = HttpSetServiceConfiguration;
HttpQueryServiceConfigurationCall g_httpQueryServiceConfigurationCall = HttpQueryServiceConfiguration;
HttpDeleteServiceConfigurationCall g_httpDeleteServiceConfigurationCall = HttpDeleteServiceConfiguration;

static_assert(sizeof(void*) != 4 || sizeof(HTTP_SERVICE_CONFIG_SSL_SET) == 56,
              "the binding record is 56 bytes in the 32-bit layout");

namespace {

// {940BA4EE-9896-4711-984E-634B6D9E4BE8}: the server's application id in its bindings.
const GUID kServerAppId = {0x940BA4EE, 0x9896, 0x4711, {0x98, 0x4E, 0x63, 0x4B, 0x6D, 0x9E, 0x4B, 0xE8}};

ULONG InitializeConfiguration()
{
    HTTPAPI_VERSION version = HTTPAPI_VERSION_1;
    return g_httpInitializeCall(version, HTTP_INITIALIZE_CONFIG, nullptr);
}

void TerminateConfiguration()
{
    HttpTerminate(HTTP_INITIALIZE_CONFIG, nullptr);
}

// The record of the binding that `query` names, in memory the caller frees; null with
// the code of the last configuration call when there is none (or it could not be read).
void* QueryBinding(HTTP_SERVICE_CONFIG_SSL_QUERY& query, ULONG& result)
{
    ULONG size = 0;
    result = g_httpQueryServiceConfigurationCall(nullptr, HttpServiceConfigSSLCertInfo, &query, sizeof(query),
                                                 nullptr, 0, &size, nullptr);
    if (result != ERROR_INSUFFICIENT_BUFFER)
        return nullptr;

    // Never smaller than the record that a deletion or a new setting reads from it.
    const ULONG capacity = size > sizeof(HTTP_SERVICE_CONFIG_SSL_SET) ? size : sizeof(HTTP_SERVICE_CONFIG_SSL_SET);
    void* record = calloc(1, capacity);
    if (record == nullptr) {
        result = ERROR_NOT_ENOUGH_MEMORY;
        return nullptr;
    }
    result = g_httpQueryServiceConfigurationCall(nullptr, HttpServiceConfigSSLCertInfo, &query, sizeof(query),
                                                 record, capacity, &size, nullptr);
    if (result != NO_ERROR || size == 0) {
        free(record);
        return nullptr;
    }
    return record;
}

// The exact query for the endpoint.
HTTP_SERVICE_CONFIG_SSL_QUERY EndpointQuery(sockaddr_in& endpoint)
{
    HTTP_SERVICE_CONFIG_SSL_QUERY query = {};
    query.QueryDesc = HttpServiceConfigQueryExact;
    query.KeyDesc.pIpPort = reinterpret_cast<PSOCKADDR>(&endpoint);
    query.dwToken = 0;
    return query;
}

}  // namespace

DWORD RemoveSslBinding(const wchar_t* addressText)
{
    if (addressText == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return ERROR_INVALID_PARAMETER;
    }
    ULONG result = InitializeConfiguration();
    if (result != NO_ERROR) {
        SetLastError(result);
        return result;
    }
    sockaddr_in endpoint = SslBindingEndpoint(addressText);
    HTTP_SERVICE_CONFIG_SSL_QUERY query = EndpointQuery(endpoint);
    void* record = QueryBinding(query, result);
    if (record != nullptr)
        result = g_httpDeleteServiceConfigurationCall(nullptr, HttpServiceConfigSSLCertInfo, record,
                                                      sizeof(HTTP_SERVICE_CONFIG_SSL_SET), nullptr);
    free(record);
    TerminateConfiguration();
    SetLastError(result);
    return result;
}

SavedSslBinding::~SavedSslBinding()
{
    free(record_);
}

bool SavedSslBinding::BindsCertificate(const BYTE* hash, DWORD hashLength) const
{
    const auto* record = static_cast<const HTTP_SERVICE_CONFIG_SSL_SET*>(record_);
    return record && record->ParamDesc.SslHashLength == hashLength && record->ParamDesc.pSslHash &&
           memcmp(record->ParamDesc.pSslHash, hash, hashLength) == 0;
}

bool SavedSslBinding::CertificateHash(BYTE (&hash)[20]) const
{
    const auto* record = static_cast<const HTTP_SERVICE_CONFIG_SSL_SET*>(record_);
    if (!record || record->ParamDesc.SslHashLength != sizeof(hash) || !record->ParamDesc.pSslHash)
        return false;
    CopyMemory(hash, record->ParamDesc.pSslHash, sizeof(hash));
    return true;
}

bool SaveSslBinding(const wchar_t* addressText, SavedSslBinding& saved)
{
    free(saved.record_);
    saved.record_ = nullptr;
    ULONG result = addressText ? InitializeConfiguration() : ERROR_INVALID_PARAMETER;
    if (result != NO_ERROR) {
        SetLastError(result);
        return false;
    }
    sockaddr_in endpoint = SslBindingEndpoint(addressText);
    HTTP_SERVICE_CONFIG_SSL_QUERY query = EndpointQuery(endpoint);
    saved.record_ = QueryBinding(query, result);
    TerminateConfiguration();
    if (saved.record_ == nullptr && result != NO_ERROR && result != ERROR_FILE_NOT_FOUND) {
        SetLastError(result);
        return false;
    }
    SetLastError(0);
    return true;
}

bool RestoreSslBinding(const wchar_t* addressText, const SavedSslBinding& saved)
{
    if (addressText == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    RemoveSslBinding(addressText);
    if (saved.record_ == nullptr)
        return true;
    ULONG result = InitializeConfiguration();
    if (result == NO_ERROR) {
        // The saved parameters, their pointers leading into the saved memory, for the endpoint
        // just cleared: a binding loaded from bytes names none.
        HTTP_SERVICE_CONFIG_SSL_SET binding = *static_cast<const HTTP_SERVICE_CONFIG_SSL_SET*>(saved.record_);
        sockaddr_in endpoint = SslBindingEndpoint(addressText);
        binding.KeyDesc.pIpPort = reinterpret_cast<PSOCKADDR>(&endpoint);
        result = g_httpSetServiceConfigurationCall(nullptr, HttpServiceConfigSSLCertInfo, &binding,
                                                   sizeof(binding), nullptr);
        TerminateConfiguration();
    }
    SetLastError(result);
    return result == NO_ERROR;
}

bool SetSslBinding(const wchar_t* addressText, const BYTE* hash, DWORD hashLength)
{
    if (addressText == nullptr || hash == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    // A failed removal does not keep the new binding from being tried.
    RemoveSslBinding(addressText);

    ULONG result = InitializeConfiguration();
    if (result != NO_ERROR) {
        // The initialisation's code, so that no caller takes this failure for success.
        SetLastError(result);
        return false;
    }
    sockaddr_in endpoint = SslBindingEndpoint(addressText);
    // The record's text fields are not const in the platform's declaration.
    wchar_t listIdentifier[64];
    wchar_t listStore[8];
    CopyText(listIdentifier, kServerTrustListIdentifier);
    CopyText(listStore, kServerTrustListStore);

    HTTP_SERVICE_CONFIG_SSL_SET binding = {};
    binding.KeyDesc.pIpPort = reinterpret_cast<PSOCKADDR>(&endpoint);
    binding.ParamDesc.SslHashLength = hashLength;
    binding.ParamDesc.pSslHash = const_cast<BYTE*>(hash);
    binding.ParamDesc.AppId = kServerAppId;
    binding.ParamDesc.pSslCertStoreName = nullptr;  // the machine's "MY" store
    binding.ParamDesc.DefaultCertCheckMode = 0;
    binding.ParamDesc.DefaultRevocationFreshnessTime = 0;
    binding.ParamDesc.DefaultRevocationUrlRetrievalTimeout = 0;
    binding.ParamDesc.pDefaultSslCtlIdentifier = listIdentifier;
    binding.ParamDesc.pDefaultSslCtlStoreName = listStore;
    binding.ParamDesc.DefaultFlags = 0;
    result = g_httpSetServiceConfigurationCall(nullptr, HttpServiceConfigSSLCertInfo, &binding, sizeof(binding),
                                           nullptr);
    TerminateConfiguration();
    SetLastError(result);
    return result == NO_ERROR;
}
