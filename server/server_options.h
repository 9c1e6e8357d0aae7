#pragma once
#include <windows.h>

// What the server takes from its configuration file, config\velmora.cfg.
struct ServerOptions
{
    bool secure;           // HTTPS unless "server_ssl_mode" is present and not "true"
    USHORT port;           // "server_port", 443 when absent
    wchar_t address[64];   // "server_ip" as written, "0.0.0.0" when absent
};

// Reads "<folder>\config\velmora.cfg". A missing file leaves the defaults (the server
// still runs); a "server_port" that is not a number from 1 to 65535 fails with
// ERROR_INVALID_DATA.
bool LoadServerOptions(const wchar_t* folder, ServerOptions* options);
