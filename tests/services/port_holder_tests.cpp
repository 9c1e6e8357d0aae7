// Who holds a port: the listener that blocks an address, the real table of this machine,
// and what of HTTP.sys's configuration takes the port (on fakes: Wine keeps none).
#include <gtest/gtest.h>
#include <winsock2.h>
#include <windows.h>
#include <http.h>

#include <string>
#include <vector>

#include "base/scoped_seam.h"
#include "install/fake_bindings.h"
#include "support/socket_helpers.h"
#include "system/http/http_port_use.h"
#include "system/http/ssl_binding_seams.h"
#include "system/network/port_holder.h"

namespace {

ULONG Address(const char* dotted)
{
    return inet_addr(dotted);
}

// HTTP.sys's reservations in miniature, beside the bindings of fake_bindings.h.
std::vector<std::wstring> g_reservations;

ULONG WINAPI FakeConfigurationQuery(HANDLE handle, HTTP_SERVICE_CONFIG_ID id, PVOID input, ULONG inputLength,
                                    PVOID output, ULONG outputLength, PULONG returnLength, LPOVERLAPPED overlapped)
{
    if (id != HttpServiceConfigUrlAclInfo)
        return FakeQuery(handle, id, input, inputLength, output, outputLength, returnLength, overlapped);
    const auto& query = *static_cast<const HTTP_SERVICE_CONFIG_URLACL_QUERY*>(input);
    if (query.QueryDesc != HttpServiceConfigQueryNext || query.dwToken >= g_reservations.size())
        return ERROR_NO_MORE_ITEMS;
    const std::wstring& url = g_reservations[query.dwToken];
    const ULONG size = static_cast<ULONG>(sizeof(HTTP_SERVICE_CONFIG_URLACL_SET) + (url.size() + 1) * sizeof(wchar_t));
    *returnLength = size;
    if (outputLength < size)
        return ERROR_INSUFFICIENT_BUFFER;
    auto* set = static_cast<HTTP_SERVICE_CONFIG_URLACL_SET*>(output);
    auto* text = reinterpret_cast<wchar_t*>(set + 1);
    wcscpy(text, url.c_str());
    set->KeyDesc.pUrlPrefix = text;
    set->ParamDesc.pStringSecurityDescriptor = nullptr;
    return NO_ERROR;
}

ULONG WINAPI ConfigurationOpens(HTTPAPI_VERSION, ULONG, PVOID)
{
    return NO_ERROR;
}

} // namespace

TEST(PortHolder, FindsTheListenerThatBlocksTheAddress)
{
    const USHORT https = htons(443);
    const TcpListener listeners[] = {
        {Address("10.0.0.9"), https, 100},  // another address
        {Address("10.0.0.5"), htons(8443), 200},  // another port
        {Address("10.0.0.5"), https, 300},
        {0, https, 400},  // every address
    };
    const TcpListener unnamed[] = {{Address("10.0.0.5"), https, 0}};
    const struct
    {
        const char* name;
        const TcpListener* listeners;
        size_t count;
        ULONG address;
        DWORD ignored;
        bool held;
        DWORD holder;
    } cases[] = {
        {"the same address", listeners, 4, Address("10.0.0.5"), 0, true, 300},
        {"... the server's own process ignored: the one on every address", listeners, 4, Address("10.0.0.5"), 300,
         true, 400},
        {"an address only one on every address blocks", listeners, 4, Address("10.0.0.7"), 0, true, 400},
        {"any address: every listener on the port blocks", listeners, 4, 0, 0, true, 100},
        {"nobody on the port for the address", listeners, 3, Address("10.0.0.7"), 0, false, 0},
        {"no listeners", listeners, 0, Address("10.0.0.5"), 0, false, 0},
        {"a listener whose process the table does not give", unnamed, 1, Address("10.0.0.5"), 0, true, 0},
        {"... whatever the server's own process is", unnamed, 1, Address("10.0.0.5"), 300, true, 0},
    };
    for (const auto& c : cases) {
        DWORD holder = 12345;
        EXPECT_EQ(c.held, PortHolderAmong(c.listeners, c.count, c.address, 443, c.ignored, &holder)) << c.name;
        EXPECT_EQ(c.holder, holder) << c.name;
    }
}

// The machine's own table: a socket of this process listening on a port of loopback. Wine
// 8's table lists the socket but names no process (its owner is always 0); Windows names it.
TEST(PortHolder, FindsAListenerOfThisProcessAndNamesItWhereTheSystemDoes)
{
    ScopedWinsock winsock;
    ASSERT_TRUE(winsock.started);
    SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in local = {};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = Address("127.0.0.1");
    ASSERT_EQ(0, bind(listener, reinterpret_cast<sockaddr*>(&local), sizeof(local)));
    ASSERT_EQ(0, listen(listener, 1));
    int length = sizeof(local);
    ASSERT_EQ(0, getsockname(listener, reinterpret_cast<sockaddr*>(&local), &length));
    const USHORT port = ntohs(local.sin_port);

    PortHolding holding = FindPortHolder(Address("127.0.0.1"), port, 0);
    EXPECT_TRUE(holding.held);
    if (holding.process_id != 0) {
        EXPECT_EQ(GetCurrentProcessId(), holding.process_id);
        EXPECT_STREQ(L"services_tests.exe", holding.image);
        EXPECT_FALSE(FindPortHolder(Address("127.0.0.1"), port, GetCurrentProcessId()).held);
    }
    EXPECT_TRUE(FindPortHolder(0, port, 0).held) << "a server on every address";
    EXPECT_FALSE(FindPortHolder(Address("127.0.0.2"), port, 0).held) << "another address";
    closesocket(listener);
    EXPECT_FALSE(FindPortHolder(Address("127.0.0.1"), port, 0).held);
    // The program's name where the system names the process.
    wchar_t name[MAX_PATH] = {};
    EXPECT_TRUE(ProcessImageName(GetCurrentProcessId(), name, MAX_PATH));
    EXPECT_STREQ(L"services_tests.exe", name);
    EXPECT_FALSE(ProcessImageName(0xFFFFFFF0, name, MAX_PATH));
}

TEST(HttpPortUse, TakesAReservationOnThePortForTheAddress)
{
    const struct
    {
        const wchar_t* url;
        const wchar_t* address;
        bool takes;
    } cases[] = {
        {L"https://+:443/", L"10.0.0.5", true},
        {L"https://*:443/owa/", L"10.0.0.5", true},
        {L"http://+:443/", L"0.0.0.0", true},
        {L"https://mail.example.test:443/", L"10.0.0.5", true},  // a name: every address
        {L"https://10.0.0.5:443/", L"10.0.0.5", true},
        {L"https://10.0.0.5:443/", L"0.0.0.0", true},
        {L"https://10.0.0.50:443/", L"10.0.0.5", false},
        {L"https://10.0.0.9:443/", L"10.0.0.5", false},
        {L"https://+:4430/", L"10.0.0.5", false},
        {L"https://+:8443/", L"0.0.0.0", false},
        {L"http://+/", L"0.0.0.0", false},  // no port written
        {L"not a url", L"0.0.0.0", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.takes, ReservationTakesPort(c.url, c.address, 443)) << testing::PrintToString(std::wstring(c.url));
}

TEST(HttpPortUse, NamesAnotherCertificatesBindingAndTheFirstReservationOnThePort)
{
    ScopedSeam<HttpInitializeCall> opens(g_httpInitializeCall, ConfigurationOpens);
    ScopedSeam<HttpQueryServiceConfigurationCall> query(g_httpQueryServiceConfigurationCall, FakeConfigurationQuery);
    const BYTE own[20] = {1, 2, 3};
    const std::string ownHash(reinterpret_cast<const char*>(own), 20);
    const std::string otherHash = std::string("\xAA\xBB", 2).append(18, '\0');
    const struct
    {
        const char* name;
        std::vector<std::pair<std::wstring, std::string>> bindings;
        std::vector<std::wstring> reservations;
        const wchar_t* binding;
        const wchar_t* reservation;
    } cases[] = {
        {"nothing configured", {}, {}, L"", L""},
        {"the server's own binding", {{L"10.0.0.5:443", ownHash}}, {}, L"", L""},
        {"another certificate on the address", {{L"10.0.0.5:443", otherHash}}, {}, L"10.0.0.5:443", L""},
        {"another certificate on every address", {{L"0.0.0.0:443", otherHash}}, {}, L"0.0.0.0:443", L""},
        {"another address's binding", {{L"10.0.0.9:443", otherHash}}, {}, L"", L""},
        {"the first reservation that takes the port",
         {},
         {L"http://+:80/Temporary_Listen_Addresses/", L"https://10.0.0.9:443/", L"https://+:443/owa/",
          L"https://*:443/"},
         L"",
         L"https://+:443/owa/"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        g_bindings = FakeBindings();
        for (const auto& binding : c.bindings)
            g_bindings.hashes[binding.first] = binding.second;
        g_reservations = c.reservations;
        wchar_t binding[32] = L"x";
        wchar_t reservation[MAX_PATH] = L"x";
        FindHttpPortUse(L"10.0.0.5", own, binding, reservation);
        EXPECT_STREQ(c.binding, binding);
        EXPECT_STREQ(c.reservation, reservation);
    }
    g_reservations.clear();
    g_bindings = FakeBindings();
}
