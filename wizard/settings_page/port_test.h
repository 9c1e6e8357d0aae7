#pragma once
#include <winsock2.h>
#include <windows.h>

// Whether the server could listen on an address's port 443.
enum class PortVerdict
{
    kFree,
    kInUse,         // the exclusive bind failed
    kNoSocket,      // no TCP socket could be made; the reason is the Winsock error
};

const USHORT kServerPort = 443;

// Binds a TCP socket exclusively to `address` (network byte order) port 443 and closes it
// again. `socketError` receives WSAGetLastError when no socket could be made.
PortVerdict TestServerPort(ULONG address, int* socketError);
