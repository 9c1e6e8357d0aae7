#pragma once
#include <gtest/gtest.h>
#include <winsock2.h>
#include <windows.h>

// Winsock, started while it lives.
struct ScopedWinsock
{
    ScopedWinsock() { WSADATA data; started = WSAStartup(MAKEWORD(2, 2), &data) == 0; }
    ~ScopedWinsock() { if (started) WSACleanup(); }
    ScopedWinsock(const ScopedWinsock&) = delete;
    ScopedWinsock& operator=(const ScopedWinsock&) = delete;
    bool started;
};

// Tests that use sockets: Winsock is started for the whole suite.
class WinsockTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
    }
    static void TearDownTestSuite() { WSACleanup(); }
};

// Holds port 443 on an address (0: every address) the way another server would.
class PortHolder
{
public:
    explicit PortHolder(ULONG address) : socket_(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP))
    {
        sockaddr_in target = {};
        target.sin_family = AF_INET;
        target.sin_port = htons(443);
        target.sin_addr.s_addr = address;
        bound_ = bind(socket_, reinterpret_cast<sockaddr*>(&target), sizeof(target)) == 0 &&
                 listen(socket_, 1) == 0;
    }
    ~PortHolder() { closesocket(socket_); }
    PortHolder(const PortHolder&) = delete;
    PortHolder& operator=(const PortHolder&) = delete;
    // False also when another program holds the port already (WSAEADDRINUSE).
    bool Bound() const { return bound_; }

private:
    SOCKET socket_;
    bool bound_ = false;
};
