#pragma once
#include <winsock2.h>
#include <windows.h>
#include <stddef.h>

// IPv4 addresses in network byte order, as the settings page offers and compares them.
struct AddressList
{
    static const size_t kCapacity = 64;
    ULONG entries[kCapacity];
    size_t count;
};

// Entry 0 is 0 (any address); then every address of this machine's host name, in the
// order the resolver gives them (none when the name cannot be had). Winsock must be started.
void ListHostAddresses(AddressList& list);

// The address (network byte order) in dotted form, as the page shows it: "192.0.2.1".
void FormatDottedAddress(ULONG address, wchar_t* text, size_t capacity);

// Resolves an ANSI host name into `resolved`: false when it does not resolve.
bool ResolveHostAddresses(const char* hostName, AddressList& resolved);

// True when the address that the server will listen on is one of `resolved`: with the
// selection 0 (any address) every offered address counts, and so does the loopback
// address, as a server on any address answers there too.
bool AddressesMatch(const AddressList& offered, size_t selection, const AddressList& resolved);
