#pragma once
#include <windows.h>

// Who keeps a TCP port from the server: the listening process, and when that is the
// system's HTTP service, what of its configuration takes the port.

// A listening TCP socket of the machine: local address and port (network byte order, as
// the table gives them) and the process that owns it.
struct TcpListener
{
    ULONG address;
    USHORT port;
    DWORD process_id;
};

// Whether a listener among `listeners` holds `port` (host order) for `address` (network
// order, 0 for any): one on that address, or on any address, or, when the server is to
// listen on any address, on any one of them. A listener of process `ignored` (the server's
// own, 0 for none) holds nothing. `holder` receives the first one's process, 0 when the
// table does not say (Wine's never does).
bool PortHolderAmong(const TcpListener* listeners, size_t count, ULONG address, USHORT port, DWORD ignored,
                     DWORD* holder);

// The process that HTTP.sys listens in on Windows ("System").
const DWORD kSystemProcessId = 4;

struct PortHolding
{
    bool held = false;               // a listener holds the port (false also when the table cannot be read)
    DWORD process_id = 0;            // its process; 0 when the system does not say
    wchar_t image[MAX_PATH] = {};    // its program's file name; "" when unknown
    // Only with the system's HTTP service: an SSL binding of the port to another
    // certificate ("a.b.c.d:443"), and a URL reservation on the port.
    wchar_t binding[32] = {};
    wchar_t reservation[MAX_PATH] = {};
};

// Reads the machine's TCP listeners (GetExtendedTcpTable of iphlpapi.dll, looked up at run
// time) and finds the holder of `port` for `address` as PortHolderAmong does, with its
// program's file name. A table that cannot be read (an older Windows) finds nobody.
PortHolding FindPortHolder(ULONG address, USHORT port, DWORD ignored);

// The file name of the program that process `processId` runs ("System" for the system's
// own); false when there is no such process.
bool ProcessImageName(DWORD processId, wchar_t* name, size_t capacity);
