#include "wizard/settings_page/port_test.h"

PortVerdict TestServerPort(ULONG address, int* socketError)
{
    SOCKET probe = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (probe == INVALID_SOCKET) {
        *socketError = WSAGetLastError();
        return PortVerdict::kNoSocket;
    }
    // Exclusive, so that a server bound to the same port without sharing it is found.
    int exclusive = 1;
    setsockopt(probe, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&exclusive),
               sizeof(exclusive));
    sockaddr_in target = {};
    target.sin_family = AF_INET;
    target.sin_port = htons(kServerPort);
    target.sin_addr.s_addr = address;
    bool bound = bind(probe, reinterpret_cast<const sockaddr*>(&target), sizeof(target)) == 0;
    closesocket(probe);
    return bound ? PortVerdict::kFree : PortVerdict::kInUse;
}
