#include "engine/server_address.h"

#include <winsock2.h>
#include <windows.h>

#include "base/bounded_text.h"
#include "base/host_name.h"

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

void FormServerAddress(const ServerAddressFacts& facts, wchar_t* address, size_t capacity)
{
    const wchar_t* scheme = facts.plain_http ? L"http" : L"https";
    if (facts.domain_resolves && facts.domain_name && IsDnsHostName(facts.domain_name)) {
        FormatText(address, capacity, L"%s://%s", scheme, facts.domain_name);
        return;
    }
    const ULONG host = facts.chosen_address != 0 ? facts.chosen_address : htonl(INADDR_LOOPBACK);
    const BYTE* b = reinterpret_cast<const BYTE*>(&host);
    FormatText(address, capacity, L"%s://%u.%u.%u.%u", scheme, b[0], b[1], b[2], b[3]);
}

void BuildServerAddress(const InstallRequest& request, wchar_t* address, size_t capacity, size_t hostCapacity)
{
    ServerAddressFacts facts;
    // Reading takes the store's lock; the request itself stays as it is.
    facts.plain_http = UsesPlainHttp(const_cast<CConfigFile&>(request.configuration));
    facts.domain_name = request.domain_name;
    facts.domain_resolves = static_cast<size_t>(lstrlenW(request.domain_name)) <= hostCapacity &&
                            HostNameResolves(request.domain_name_ansi);
    facts.chosen_address = request.address.sin_addr.s_addr;
    FormServerAddress(facts, address, capacity);
}
