#include "engine/server_address.h"

#include <winsock2.h>
#include <windows.h>
#include <stdlib.h>

#include "base/bounded_text.h"

bool HostNameResolves(const char* host)
{
    return host && host[0] && gethostbyname(host) != nullptr;
}

namespace {

bool UsesPlainHttp(CConfigFile& configuration)
{
    wchar_t mode[16] = {};
    // A value too long for the buffer cannot be "true" either.
    bool present = configuration.Get(L"server_ssl_mode", mode, 16) || mode[0];
    return present && lstrcmpiW(mode, L"true") != 0;
}

} // namespace

void BuildServerAddress(const InstallRequest& request, wchar_t* address, size_t capacity, size_t hostCapacity)
{
    // Reading takes the store's lock; the request itself stays as it is.
    CConfigFile& configuration = const_cast<CConfigFile&>(request.configuration);
    const wchar_t* scheme = UsesPlainHttp(configuration) ? L"" : L"s";
    if (HostNameResolves(request.domain_name_ansi)) {
        FormatText(address, capacity, L"http%s://%s", scheme, request.domain_name);
        return;
    }
    wchar_t* host = static_cast<wchar_t*>(calloc(hostCapacity + 1, sizeof(wchar_t)));
    if (host && (configuration.Get(L"server_ip", host, hostCapacity) || host[0])
        && lstrcmpW(host, L"0.0.0.0") != 0)
        FormatText(address, capacity, L"http%s://%s", scheme, host);
    else
        FormatText(address, capacity, L"http%s://127.0.0.1", scheme);
    free(host);
}
