#pragma once
#include <winsock2.h>
#include <windows.h>
#include <http.h>
#include <string.h>

#include <map>
#include <string>
#include <vector>

#include "base/install_settings.h"

// Installed through the seams of system/http/ssl_binding_seams.h by whoever tests a binding.

// HTTP.sys's SSL configuration in miniature, as Wine's keeps no binding: one certificate
// hash per endpoint. A binding to the server's own certificate may be refused.
struct FakeBindings
{
    std::map<std::wstring, std::string> hashes;  // by "a.b.c.d:port", the hash's 20 bytes
    bool refuseServer = false;

    // The query's answer: a record whose pointers lead into the same memory.
    struct Record
    {
        HTTP_SERVICE_CONFIG_SSL_SET set;
        sockaddr_in endpoint;
        BYTE hash[20];
    };
    static std::wstring Endpoint(const SOCKADDR* address)
    {
        const auto& in = *reinterpret_cast<const sockaddr_in*>(address);
        const BYTE* b = reinterpret_cast<const BYTE*>(&in.sin_addr);
        wchar_t text[32];
        wsprintfW(text, L"%u.%u.%u.%u:%u", b[0], b[1], b[2], b[3], ntohs(in.sin_port));
        return text;
    }
    // One line per binding, "binding a.b.c.d:port" and the hash in hex, for MachineDifference.
    void AddLines(std::vector<std::wstring>& state) const
    {
        for (const auto& binding : hashes) {
            wchar_t hash[41] = {};
            for (int i = 0; i < 20; ++i)
                wsprintfW(hash + 2 * i, L"%02X", static_cast<BYTE>(binding.second[i]));
            state.push_back(L"binding " + binding.first + L" " + hash);
        }
    }
};
inline FakeBindings g_bindings;

inline ULONG WINAPI FakeSet(HANDLE, HTTP_SERVICE_CONFIG_ID, PVOID information, ULONG, LPOVERLAPPED)
{
    const auto& set = *static_cast<const HTTP_SERVICE_CONFIG_SSL_SET*>(information);
    const BYTE* hash = static_cast<const BYTE*>(set.ParamDesc.pSslHash);
    if (g_bindings.refuseServer && memcmp(hash, g_settings.cert_thumbprint, 20) == 0)
        return ERROR_ACCESS_DENIED;
    return g_bindings.hashes.emplace(FakeBindings::Endpoint(set.KeyDesc.pIpPort), std::string(hash, hash + 20)).second
               ? NO_ERROR : ERROR_ALREADY_EXISTS;
}

inline ULONG WINAPI FakeQuery(HANDLE, HTTP_SERVICE_CONFIG_ID id, PVOID input, ULONG, PVOID output, ULONG outputLength,
                       PULONG returnLength, LPOVERLAPPED)
{
    // It keeps bindings alone: no URL reservations.
    if (id != HttpServiceConfigSSLCertInfo)
        return ERROR_NO_MORE_ITEMS;
    const auto& query = *static_cast<const HTTP_SERVICE_CONFIG_SSL_QUERY*>(input);
    auto found = g_bindings.hashes.find(FakeBindings::Endpoint(query.KeyDesc.pIpPort));
    if (found == g_bindings.hashes.end())
        return ERROR_FILE_NOT_FOUND;
    *returnLength = sizeof(FakeBindings::Record);
    if (output == nullptr || outputLength < sizeof(FakeBindings::Record))
        return ERROR_INSUFFICIENT_BUFFER;
    auto* record = static_cast<FakeBindings::Record*>(output);
    *record = FakeBindings::Record();
    memcpy(&record->endpoint, query.KeyDesc.pIpPort, sizeof(record->endpoint));
    memcpy(record->hash, found->second.data(), 20);
    record->set.KeyDesc.pIpPort = reinterpret_cast<PSOCKADDR>(&record->endpoint);
    record->set.ParamDesc.pSslHash = record->hash;
    record->set.ParamDesc.SslHashLength = 20;
    return NO_ERROR;
}

inline ULONG WINAPI FakeDelete(HANDLE, HTTP_SERVICE_CONFIG_ID, PVOID information, ULONG, LPOVERLAPPED)
{
    const auto& set = *static_cast<const HTTP_SERVICE_CONFIG_SSL_SET*>(information);
    return g_bindings.hashes.erase(FakeBindings::Endpoint(set.KeyDesc.pIpPort)) ? NO_ERROR : ERROR_FILE_NOT_FOUND;
}

