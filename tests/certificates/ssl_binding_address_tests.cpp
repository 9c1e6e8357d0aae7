// The endpoint of the SSL binding, from the address text.
#include <gtest/gtest.h>
#include "system/ssl_binding.h"

namespace {

// The address bytes in memory order (network order), as "a.b.c.d".
std::string Bytes(const sockaddr_in& endpoint)
{
    const BYTE* b = reinterpret_cast<const BYTE*>(&endpoint.sin_addr);
    char text[32];
    snprintf(text, sizeof(text), "%u.%u.%u.%u", b[0], b[1], b[2], b[3]);
    return text;
}

}  // namespace

TEST(SslBindingEndpoint, IsIPv4OnPort443InNetworkOrder)
{
    sockaddr_in endpoint = SslBindingEndpoint(L"10.1.2.3");
    EXPECT_EQ(AF_INET, endpoint.sin_family);
    const BYTE* port = reinterpret_cast<const BYTE*>(&endpoint.sin_port);
    EXPECT_EQ(0x01, port[0]);
    EXPECT_EQ(0xBB, port[1]);
    EXPECT_EQ("10.1.2.3", Bytes(endpoint));
    for (char zero : endpoint.sin_zero)
        EXPECT_EQ(0, zero);
}

TEST(SslBindingEndpoint, AddressTexts)
{
    EXPECT_EQ("0.0.0.0", Bytes(SslBindingEndpoint(L"0.0.0.0")));
    EXPECT_EQ(0u, SslBindingEndpoint(L"0.0.0.0").sin_addr.s_addr);
    EXPECT_EQ("192.168.200.254", Bytes(SslBindingEndpoint(L"192.168.200.254")));
    // Fewer than three dots: the broadcast address.
    EXPECT_EQ("255.255.255.255", Bytes(SslBindingEndpoint(L"10.1.2")));
    EXPECT_EQ("255.255.255.255", Bytes(SslBindingEndpoint(L"")));
    EXPECT_EQ("255.255.255.255", Bytes(SslBindingEndpoint(L"localhost")));
    // Each number read like _wtoi: leading blanks and a sign, up to the first non-digit.
    EXPECT_EQ("10.1.2.3", Bytes(SslBindingEndpoint(L" 10.\t+1. 2 .3x")));
    EXPECT_EQ("0.0.0.0", Bytes(SslBindingEndpoint(L"a.b.c.d")));
    EXPECT_EQ("1.2.3.4", Bytes(SslBindingEndpoint(L"1.2.3.4.5")));
    // Not range-checked: numbers add into the following bytes.
    EXPECT_EQ("44.2.3.4", Bytes(SslBindingEndpoint(L"300.1.3.4")));
    EXPECT_EQ("255.255.255.255", Bytes(SslBindingEndpoint(L"-1.0.0.0")));
}
