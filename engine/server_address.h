#pragma once
#include <stddef.h>

#include "engine/install_request.h"

// The installed server's address, "http%s://%s": "https" unless the request's configuration
// holds server_ssl_mode with a value other than "true"; the host is the domain name when it
// resolves, else the configured server_ip, or 127.0.0.1 when that is absent or 0.0.0.0.
// `hostCapacity` bounds the server_ip value read from the configuration.
void BuildServerAddress(const InstallRequest& request, wchar_t* address, size_t capacity, size_t hostCapacity);

// True when the ANSI host name resolves (gethostbyname; Winsock must be started).
bool HostNameResolves(const char* host);
