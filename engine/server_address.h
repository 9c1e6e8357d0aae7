#pragma once
#include <windows.h>
#include <stddef.h>

#include "engine/install_request.h"

// What the server's address is formed from, all of it the setup's own: whether the
// configuration asks for plain HTTP, the domain name of the settings and whether it
// resolves, and the address chosen on the settings page (network order, 0 for any).
struct ServerAddressFacts
{
    bool plain_http = false;
    const wchar_t* domain_name = L"";
    bool domain_resolves = false;
    ULONG chosen_address = 0;
};

// "https://" ("http://" when plain HTTP is asked for), then the domain name when it
// resolves and is a host name, else the chosen address in dotted form, 127.0.0.1 for any.
// Nothing else becomes the host: the address is opened in a browser, and a kept
// configuration (a file in a folder that may have been open to others) must not send it
// elsewhere.
void FormServerAddress(const ServerAddressFacts& facts, wchar_t* address, size_t capacity);

// The installed server's address for `request` as FormServerAddress forms it; plain HTTP
// when the request's configuration holds server_ssl_mode with a value other than "true".
// A domain name longer than `hostCapacity` is not used.
void BuildServerAddress(const InstallRequest& request, wchar_t* address, size_t capacity, size_t hostCapacity);

// True when the ANSI host name resolves (gethostbyname; Winsock must be started).
bool HostNameResolves(const char* host);
