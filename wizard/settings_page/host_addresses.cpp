#include "wizard/settings_page/host_addresses.h"

#include "base/bounded_text.h"

namespace {

void AppendAddresses(const hostent* host, AddressList& list)
{
    if (!host || host->h_addrtype != AF_INET || host->h_length != sizeof(ULONG))
        return;
    for (char** address = host->h_addr_list; *address && list.count < AddressList::kCapacity;
         ++address) {
        ULONG value = 0;
        CopyMemory(&value, *address, sizeof(value));
        list.entries[list.count++] = value;
    }
}

bool Contains(const AddressList& list, ULONG address)
{
    for (size_t i = 0; i < list.count; ++i)
        if (list.entries[i] == address)
            return true;
    return false;
}

bool IsLoopback(ULONG address)
{
    return (ntohl(address) >> 24) == 127;
}

} // namespace

void ListHostAddresses(AddressList& list)
{
    list.count = 0;
    list.entries[list.count++] = 0;
    char hostName[260] = {};
    if (gethostname(hostName, sizeof(hostName)) != 0)
        return;
    hostName[sizeof(hostName) - 1] = 0;
    AppendAddresses(gethostbyname(hostName), list);
}

void FormatDottedAddress(ULONG address, wchar_t* text, size_t capacity)
{
    const BYTE* parts = reinterpret_cast<const BYTE*>(&address);
    FormatText(text, capacity, L"%u.%u.%u.%u", parts[0], parts[1], parts[2], parts[3]);
}

bool ResolveHostAddresses(const char* hostName, AddressList& resolved)
{
    resolved.count = 0;
    const hostent* host = hostName && hostName[0] ? gethostbyname(hostName) : nullptr;
    if (!host)
        return false;
    AppendAddresses(host, resolved);
    return true;
}

bool AddressesMatch(const AddressList& offered, size_t selection, const AddressList& resolved)
{
    if (selection != 0)
        return selection < offered.count && Contains(resolved, offered.entries[selection]);
    for (size_t i = 0; i < offered.count; ++i)
        if (Contains(resolved, offered.entries[i]))
            return true;
    for (size_t i = 0; i < resolved.count; ++i)
        if (IsLoopback(resolved.entries[i]))
            return true;
    return false;
}
