#pragma once
#include <windows.h>

// What of the system's HTTP service (HTTP.sys) configuration takes port 443 of an address
// from the server: read when the listener of the port is the system's own process.

// True when the URL reservation `urlPrefix` ("https://+:443/app/") is on port `port` for
// the address `addressText` (dotted; "0.0.0.0" for any): a reservation for every address
// ("+", "*") or a host name takes any address, one for an address only that address.
bool ReservationTakesPort(const wchar_t* urlPrefix, const wchar_t* addressText, USHORT port);

// Finds the SSL binding of the address (or of every address, 0.0.0.0) on port 443 that
// names a certificate other than `ownHash` (20 bytes), written "a.b.c.d:443" into
// `binding`, and the first URL reservation that takes the port for the address into
// `reservation`. Each stays empty when there is none or the configuration cannot be read
// (Wine keeps none).
void FindHttpPortUse(const wchar_t* addressText, const BYTE* ownHash, wchar_t (&binding)[32],
                     wchar_t (&reservation)[MAX_PATH]);
