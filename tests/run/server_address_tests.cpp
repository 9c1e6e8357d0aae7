// The address the setup opens and puts in the shortcuts: formed from what the setup itself
// settled, never from what a kept configuration names.
#include <gtest/gtest.h>
#include <winsock2.h>

#include <string>

#include "engine/server_address.h"
#include "support/socket_helpers.h"

namespace {

std::wstring Formed(bool plainHttp, const wchar_t* domain, bool resolves, ULONG chosen)
{
    ServerAddressFacts facts;
    facts.plain_http = plainHttp;
    facts.domain_name = domain;
    facts.domain_resolves = resolves;
    facts.chosen_address = chosen;
    wchar_t address[300] = {};
    FormServerAddress(facts, address, 300);
    return address;
}

} // namespace

TEST(FormServerAddress, TheResolvedDomainElseTheChosenAddressElseTheLoopbackUnderEitherScheme)
{
    struct Row
    {
        bool plainHttp;
        const wchar_t* domain;
        bool resolves;
        const char* chosen;
        const wchar_t* expected;
    } rows[] = {
        {false, L"velmora.example", true, "0.0.0.0", L"https://velmora.example"},
        {true, L"velmora.example", true, "192.0.2.7", L"http://velmora.example"},
        {false, L"velmora.example", false, "192.0.2.7", L"https://192.0.2.7"},
        {false, L"velmora.example", false, "0.0.0.0", L"https://127.0.0.1"},
        {true, L"", false, "0.0.0.0", L"http://127.0.0.1"},
        // A name that is no host name never becomes the host, resolving or not.
        {false, L"evil.example/login?x=", true, "192.0.2.7", L"https://192.0.2.7"},
        {false, L"user@evil.example", true, "0.0.0.0", L"https://127.0.0.1"},
        {false, L"javascript:alert(1)", true, "0.0.0.0", L"https://127.0.0.1"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.expected);
        EXPECT_EQ(row.expected, Formed(row.plainHttp, row.domain, row.resolves, inet_addr(row.chosen)));
    }
}

// A kept configuration (an upgrade's) says plain HTTP or not; its server_ip, whatever it
// holds, is not the host.
TEST(BuildServerAddress, AKeptConfigurationsServerIpDecidesNoHost)
{
    ScopedWinsock winsock;  // the domain is looked up
    const struct
    {
        const wchar_t* serverIp;
        const wchar_t* sslMode;
        const wchar_t* expected;
    } rows[] = {
        {L"203.0.113.9", L"false", L"http://192.0.2.7"},
        {L"evil.example", L"true", L"https://192.0.2.7"},
        {L"evil.example/phish", nullptr, L"https://192.0.2.7"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.expected);
        InstallRequest request;
        request.address.sin_addr.s_addr = inet_addr("192.0.2.7");
        lstrcpyW(request.domain_name, L"no-such-host.invalid");
        lstrcpyA(request.domain_name_ansi, "no-such-host.invalid");
        ASSERT_TRUE(request.configuration.Set(L"server_ip", row.serverIp));
        if (row.sslMode) {
            ASSERT_TRUE(request.configuration.Set(L"server_ssl_mode", row.sslMode));
        }
        wchar_t address[300] = {};
        BuildServerAddress(request, address, 300, 259);
        EXPECT_EQ(row.expected, std::wstring(address));
    }
}
