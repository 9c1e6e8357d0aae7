// The HTTP.sys SSL binding and its endpoint, through a recording fake of the HTTP Server API
// configuration calls (Wine's are stubs that keep no binding).
#include <gtest/gtest.h>
#include "base/scoped_seam.h"
#include "system/http/ssl_binding.h"
#include "system/http/ssl_binding_seams.h"

#include <stdio.h>
#include <string.h>
#include <map>
#include <string>
#include <vector>

namespace {

using Strings = std::vector<std::string>;

// "a.b.c.d:port" from the address bytes in memory (network) order and the port.
std::string Address(const sockaddr_in& endpoint)
{
    const BYTE* b = reinterpret_cast<const BYTE*>(&endpoint.sin_addr);
    return std::to_string(b[0]) + "." + std::to_string(b[1]) + "." + std::to_string(b[2]) + "." +
           std::to_string(b[3]) + ":" + std::to_string(ntohs(endpoint.sin_port)) +
           (endpoint.sin_family == AF_INET ? "" : " family " + std::to_string(endpoint.sin_family));
}

std::string Hex(const void* bytes, ULONG length)
{
    std::string text;
    char digits[3];
    for (ULONG i = 0; i < length; ++i) {
        snprintf(digits, sizeof(digits), "%02X", static_cast<const BYTE*>(bytes)[i]);
        text += digits;
    }
    return text;
}

std::string Text(const wchar_t* text)
{
    return text ? std::string(text, text + wcslen(text)) : "<none>";
}

// A binding record as one line: its endpoint and every parameter of the binding.
std::string Describe(const HTTP_SERVICE_CONFIG_SSL_SET& set)
{
    if (set.KeyDesc.pIpPort == nullptr)
        return "no endpoint";
    const HTTP_SERVICE_CONFIG_SSL_PARAM& p = set.ParamDesc;
    return Address(*reinterpret_cast<const sockaddr_in*>(set.KeyDesc.pIpPort)) + " hash " +
           Hex(p.pSslHash, p.SslHashLength) + " app " + Hex(&p.AppId, sizeof(p.AppId)) + " store " +
           Text(p.pSslCertStoreName) + " checks " + std::to_string(p.DefaultCertCheckMode) + " " +
           std::to_string(p.DefaultRevocationFreshnessTime) + " " +
           std::to_string(p.DefaultRevocationUrlRetrievalTimeout) + " flags " + std::to_string(p.DefaultFlags) +
           " list " + Text(p.pDefaultSslCtlIdentifier) + " in " + Text(p.pDefaultSslCtlStoreName);
}

// What a configuration call is given besides its record; only what differs from the
// SSL certificate configuration without handle or overlapped shows.
std::string Frame(const char* name, HANDLE handle, HTTP_SERVICE_CONFIG_ID id, ULONG length, LPOVERLAPPED overlapped)
{
    return std::string(name) + (id == HttpServiceConfigSSLCertInfo ? "" : " id " + std::to_string(id)) +
           (handle || overlapped ? " with handle or overlapped" : "") + " " + std::to_string(length) + " ";
}

// What the second query writes: a record whose pointers lead into the same memory.
struct Answer
{
    HTTP_SERVICE_CONFIG_SSL_SET set;
    sockaddr_in endpoint;
    BYTE hash[20];
    wchar_t identifier[64], store[8];
};

void Fill(Answer& answer, const HTTP_SERVICE_CONFIG_SSL_SET& set)
{
    const HTTP_SERVICE_CONFIG_SSL_PARAM& p = set.ParamDesc;
    answer = Answer();
    memcpy(&answer.endpoint, set.KeyDesc.pIpPort, sizeof(answer.endpoint));
    memcpy(answer.hash, p.pSslHash, p.SslHashLength < 20 ? p.SslHashLength : 20);
    wcsncpy(answer.identifier, p.pDefaultSslCtlIdentifier ? p.pDefaultSslCtlIdentifier : L"", 63);
    wcsncpy(answer.store, p.pDefaultSslCtlStoreName ? p.pDefaultSslCtlStoreName : L"", 7);
    answer.set.ParamDesc = p;
    answer.set.KeyDesc.pIpPort = reinterpret_cast<PSOCKADDR>(&answer.endpoint);
    answer.set.ParamDesc.pSslHash = answer.hash;
    answer.set.ParamDesc.pDefaultSslCtlIdentifier = answer.identifier;
    answer.set.ParamDesc.pDefaultSslCtlStoreName = answer.store;
}

// HTTP.sys's SSL configuration in miniature: one binding per endpoint, queried the two-call
// way, every call described in order, and each call's result adjustable.
struct FakeHttpConfiguration
{
    Strings calls;
    std::map<std::string, Answer> bindings;  // by address
    ULONG initializeResult = NO_ERROR, setResult = NO_ERROR, deleteResult = NO_ERROR, secondQueryResult = NO_ERROR;
    ULONG reportedSize = 0;  // 0: the size the record really needs
    ULONG secondQueryRecords = 1;  // 0: the second query succeeds without a record
    void* lastAnswer = nullptr;
};
FakeHttpConfiguration* g_fake = nullptr;

ULONG WINAPI FakeInitialize(HTTPAPI_VERSION version, ULONG flags, PVOID reserved)
{
    g_fake->calls.push_back("initialize " + std::to_string(version.HttpApiMajorVersion) + "." +
                            std::to_string(version.HttpApiMinorVersion) + " flags " + std::to_string(flags) +
                            (reserved ? " reserved" : ""));
    if (g_fake->initializeResult != NO_ERROR)
        return g_fake->initializeResult;
    return HttpInitialize(version, flags, reserved);  // paired with the real HttpTerminate
}

ULONG WINAPI FakeSet(HANDLE handle, HTTP_SERVICE_CONFIG_ID id, PVOID information, ULONG length, LPOVERLAPPED overlapped)
{
    const auto& set = *static_cast<const HTTP_SERVICE_CONFIG_SSL_SET*>(information);
    g_fake->calls.push_back(Frame("set", handle, id, length, overlapped) + Describe(set));
    if (g_fake->setResult != NO_ERROR)
        return g_fake->setResult;
    const std::string address = Address(*reinterpret_cast<const sockaddr_in*>(set.KeyDesc.pIpPort));
    if (g_fake->bindings.count(address))
        return ERROR_ALREADY_EXISTS;
    Fill(g_fake->bindings[address], set);
    return NO_ERROR;
}

ULONG WINAPI FakeQuery(HANDLE handle, HTTP_SERVICE_CONFIG_ID id, PVOID input, ULONG inputLength, PVOID output,
                       ULONG outputLength, PULONG returnLength, LPOVERLAPPED overlapped)
{
    const auto& query = *static_cast<HTTP_SERVICE_CONFIG_SSL_QUERY*>(input);
    const std::string address = Address(*reinterpret_cast<const sockaddr_in*>(query.KeyDesc.pIpPort));
    g_fake->calls.push_back(Frame("query", handle, id, inputLength, overlapped) + address +
                            (query.QueryDesc == HttpServiceConfigQueryExact ? "" : " not exact") +
                            (query.dwToken ? " token " + std::to_string(query.dwToken) : "") +
                            (output ? " into " : " size only ") + std::to_string(outputLength));
    g_fake->lastAnswer = output;
    auto found = g_fake->bindings.find(address);
    if (found == g_fake->bindings.end())
        return ERROR_FILE_NOT_FOUND;
    if (output == nullptr) {
        *returnLength = g_fake->reportedSize ? g_fake->reportedSize : sizeof(Answer);
        return ERROR_INSUFFICIENT_BUFFER;
    }
    if (g_fake->secondQueryResult != NO_ERROR)
        return g_fake->secondQueryResult;
    *returnLength = 0;
    if (g_fake->secondQueryRecords == 0)
        return NO_ERROR;
    if (outputLength < sizeof(Answer))
        return ERROR_INSUFFICIENT_BUFFER;
    Fill(*static_cast<Answer*>(output), found->second.set);
    *returnLength = sizeof(Answer);
    return NO_ERROR;
}

ULONG WINAPI FakeDelete(HANDLE handle, HTTP_SERVICE_CONFIG_ID id, PVOID information, ULONG length,
                        LPOVERLAPPED overlapped)
{
    const auto& set = *static_cast<const HTTP_SERVICE_CONFIG_SSL_SET*>(information);
    g_fake->calls.push_back(Frame("delete", handle, id, length, overlapped) +
                            (information == g_fake->lastAnswer ? "the answer " : "") + Describe(set));
    if (g_fake->deleteResult != NO_ERROR)
        return g_fake->deleteResult;
    return g_fake->bindings.erase(Address(*reinterpret_cast<const sockaddr_in*>(set.KeyDesc.pIpPort)))
               ? NO_ERROR : ERROR_FILE_NOT_FOUND;
}

const BYTE kHash[20] = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF, 0xFE, 0xDC,
                        0xBA, 0x98, 0x76, 0x54, 0x32, 0x10, 0x0F, 0x1E, 0x2D, 0x3C};
const BYTE kOtherHash[20] = {0xAA, 0xBB};
const std::string kHashText = "0123456789ABCDEFFEDCBA98765432100F1E2D3C";
const std::string kOtherHashText = "AABB" + std::string(36, '0');

// Version 1.0, configuration only, no reserved pointer.
const std::string kInitialize = "initialize 1.0 flags " + std::to_string(HTTP_INITIALIZE_CONFIG);

std::string Query(const char* address, const std::string& into)
{
    return "query " + std::to_string(sizeof(HTTP_SERVICE_CONFIG_SSL_QUERY)) + " " + address + " " + into;
}

// The server's binding record: the certificate in the machine's "MY" store, no checks, no
// revocation settings, no flags; the server's application id ({940BA4EE-9896-4711-984E-
// 634B6D9E4BE8} in memory order) and its trust list in "CA".
std::string Binding(const char* call, const char* address, const std::string& hash)
{
    return std::string(call) + " " + std::to_string(sizeof(HTTP_SERVICE_CONFIG_SSL_SET)) + " " + address +
           " hash " + hash + " app EEA40B9496981147984E634B6D9E4BE8 store <none> checks 0 0 0 flags 0"
           " list {9C30DF97-C0B3-40a2-903E-A790DFF0A87C} in CA";
}

class SslBinding : public ::testing::Test
{
protected:
    void SetUp() override { g_fake = &fake_; }
    void TearDown() override { g_fake = nullptr; }

    Strings Names() const
    {
        Strings names;
        for (const std::string& call : fake_.calls)
            names.push_back(call.substr(0, call.find(' ')));
        return names;
    }

    FakeHttpConfiguration fake_;
    ScopedSeam<HttpInitializeCall> initialize_{g_httpInitializeCall, FakeInitialize};
    ScopedSeam<HttpSetServiceConfigurationCall> set_{g_httpSetServiceConfigurationCall, FakeSet};
    ScopedSeam<HttpQueryServiceConfigurationCall> query_{g_httpQueryServiceConfigurationCall, FakeQuery};
    ScopedSeam<HttpDeleteServiceConfigurationCall> delete_{g_httpDeleteServiceConfigurationCall, FakeDelete};
};

}  // namespace

TEST(SslBindingEndpoint, IsIPv4OnPort443InNetworkOrderForEachAddressText)
{
    const struct { const wchar_t* text; const char* address; } cases[] = {
        {L"10.1.2.3", "10.1.2.3:443"},
        {L"0.0.0.0", "0.0.0.0:443"},
        // Fewer than three dots: the broadcast address.
        {L"10.1.2", "255.255.255.255:443"},
        {L"", "255.255.255.255:443"},
        // Each number read like _wtoi: leading blanks and a sign, up to the first non-digit.
        {L" 10.\t+1. 2 .3x", "10.1.2.3:443"},
        {L"a.b.c.d", "0.0.0.0:443"},
        {L"1.2.3.4.5", "1.2.3.4:443"},
        // Not range-checked: numbers add into the following bytes.
        {L"300.1.3.4", "44.2.3.4:443"},
        {L"-1.0.0.0", "255.255.255.255:443"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "address text \"" << c.text << "\"");
        EXPECT_EQ(c.address, Address(SslBindingEndpoint(c.text)));
    }
}

// The removal comes first, in its own initialisation; it asks exactly for the endpoint,
// first without a buffer. Over a binding it queries into a buffer and deletes the record it
// returned as it is, then sets the new one.
TEST_F(SslBinding, SetRemovesTheEndpointsBindingThenSetsTheRecord)
{
    SetLastError(ERROR_ACCESS_DENIED);
    ASSERT_TRUE(SetSslBinding(L"10.1.2.3", kOtherHash, 20));
    EXPECT_EQ(0u, GetLastError());
    EXPECT_EQ((Strings{kInitialize, Query("10.1.2.3:443", "size only 0"), kInitialize,
                       Binding("set", "10.1.2.3:443", kOtherHashText)}),
              fake_.calls);
    fake_.calls.clear();
    ASSERT_TRUE(SetSslBinding(L"10.1.2.3", kHash, 20));
    EXPECT_EQ((Strings{kInitialize, Query("10.1.2.3:443", "size only 0"),
                       Query("10.1.2.3:443", "into " + std::to_string(sizeof(Answer))),
                       Binding("delete", "the answer 10.1.2.3:443", kOtherHashText), kInitialize,
                       Binding("set", "10.1.2.3:443", kHashText)}),
              fake_.calls);
    ASSERT_EQ(1u, fake_.bindings.size());
    EXPECT_EQ(0, memcmp(kHash, fake_.bindings.begin()->second.hash, 20));
    fake_.calls.clear();
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), RemoveSslBinding(L"0.0.0.0"));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
    EXPECT_EQ((Strings{kInitialize, Query("0.0.0.0:443", "size only 0")}), fake_.calls);
}

// Each failure of a configuration call: the result, the last error and the calls made. A
// failed removal still tries the new binding.
TEST_F(SslBinding, FailuresGiveTheirCodeAndStopWhereTheyHappen)
{
    const Strings removal = {"initialize", "query", "query", "delete"};
    const Strings setting = {"initialize", "query", "query", "delete", "initialize", "set"};
    const struct Case
    {
        const char* what;
        ULONG FakeHttpConfiguration::*result;  // the answer changed to `code`
        bool set;                              // SetSslBinding (false when it fails), else RemoveSslBinding
        DWORD code, error;
        Strings calls;
    } cases[] = {
        {"refused deletion", &FakeHttpConfiguration::deleteResult, false, ERROR_ACCESS_DENIED,
         ERROR_ACCESS_DENIED, removal},
        {"refused second query", &FakeHttpConfiguration::secondQueryResult, false,
         ERROR_INVALID_DATA, ERROR_INVALID_DATA, {"initialize", "query", "query"}},
        {"refused deletion before the new binding", &FakeHttpConfiguration::deleteResult, true,
         ERROR_ACCESS_DENIED, ERROR_ALREADY_EXISTS, setting},
        {"refused record", &FakeHttpConfiguration::setResult, true, ERROR_INVALID_PARAMETER,
         ERROR_INVALID_PARAMETER, setting},
        {"failed initialisation of the binding", &FakeHttpConfiguration::initializeResult, true,
         ERROR_SERVICE_DOES_NOT_EXIST, ERROR_SERVICE_DOES_NOT_EXIST, {"initialize", "initialize"}},
        {"failed initialisation of the removal", &FakeHttpConfiguration::initializeResult, false,
         ERROR_SERVICE_DOES_NOT_EXIST, ERROR_SERVICE_DOES_NOT_EXIST, {"initialize"}},
        {"second query without a record: nothing to delete", &FakeHttpConfiguration::secondQueryRecords, false, 0,
         ERROR_SUCCESS, {"initialize", "query", "query"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fake_ = FakeHttpConfiguration();
        ASSERT_TRUE(SetSslBinding(L"10.1.2.3", kOtherHash, 20));
        fake_.calls.clear();
        fake_.*c.result = c.code;
        SetLastError(0);
        if (c.set)
            EXPECT_FALSE(SetSslBinding(L"10.1.2.3", kHash, 20));
        else
            EXPECT_EQ(c.error, RemoveSslBinding(L"10.1.2.3"));
        EXPECT_EQ(c.error, GetLastError());
        EXPECT_EQ(c.calls, Names());
    }
    // The buffer is never smaller than the record that the deletion reads.
    fake_ = FakeHttpConfiguration();
    ASSERT_TRUE(SetSslBinding(L"10.1.2.3", kOtherHash, 20));
    fake_.calls.clear();
    fake_.reportedSize = 4;
    RemoveSslBinding(L"10.1.2.3");
    ASSERT_GE(fake_.calls.size(), 3u);
    EXPECT_EQ(Query("10.1.2.3:443", "into " + std::to_string(sizeof(HTTP_SERVICE_CONFIG_SSL_SET))), fake_.calls[2]);
}

namespace {

// A binding's bytes as SerializeSslBinding lays them out, field by field.
struct BindingBytes
{
    std::vector<BYTE> bytes;

    BindingBytes& Number(DWORD value) { return Raw(&value, sizeof(value)); }
    BindingBytes& Raw(const void* data, size_t length)
    {
        bytes.insert(bytes.end(), static_cast<const BYTE*>(data), static_cast<const BYTE*>(data) + length);
        return *this;
    }
    // A count of characters with the terminator, then they; `units` 0 for no text.
    BindingBytes& Text(const wchar_t* text, DWORD units)
    {
        return Number(units).Raw(text, units * sizeof(wchar_t));
    }
};

const GUID kOtherAppId = {0x01020304, 0x0506, 0x0708, {9, 10, 11, 12, 13, 14, 15, 16}};

// Every field set: hash, application, checks, flags, store and trust list.
BindingBytes WholeBinding(DWORD hashLength = 20)
{
    return BindingBytes()
        .Number(hashLength).Raw(kHash, hashLength).Raw(&kOtherAppId, sizeof(kOtherAppId))
        .Number(4).Number(60).Number(15000).Number(2)
        .Text(L"WebHosting", 11).Text(L"Server List", 12).Text(L"CA", 3);
}

}  // namespace

// The binding an installation replaced outlives the run as bytes; whatever bytes come back
// from where they were kept, only the layout's own form becomes a binding.
TEST(SslBindingBytes, LoadOnlyTheirOwnFormAndWriteItBackUnchanged)
{
    const std::vector<BYTE> whole = WholeBinding().bytes;
    const wchar_t notEnded[2] = {L'C', L'A'};
    const BindingBytes noHash = BindingBytes().Number(0).Raw(&kOtherAppId, 16).Number(0).Number(0).Number(0).Number(0);
    const struct
    {
        const char* what;
        std::vector<BYTE> bytes;
        bool loads;
    } cases[] = {
        {"every field", whole, true},
        {"the machine's MY store, no trust list, no hash",
         BindingBytes(noHash).Text(nullptr, 0).Text(nullptr, 0).Text(nullptr, 0).bytes, true},
        {"the longest hash", WholeBinding(kSslBindingHashCapacity).bytes, true},
        {"a hash longer than any", WholeBinding(kSslBindingHashCapacity + 1).bytes, false},
        {"a byte behind", BindingBytes(WholeBinding()).Number(0).bytes, false},
        {"a text without its terminator",
         BindingBytes(noHash).Text(nullptr, 0).Text(nullptr, 0).Text(notEnded, 2).bytes, false},
        {"a text longer than any",
         BindingBytes(noHash).Text(std::wstring(kSslBindingTextCapacity, L'x').c_str(), kSslBindingTextCapacity + 1).bytes,
         false},
        {"a text count past the end", BindingBytes(noHash).Number(4).Raw(L"CA", 6).bytes, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SavedSslBinding saved;
        SetLastError(0);
        ASSERT_EQ(c.loads, LoadSslBinding(c.bytes.data(), static_cast<DWORD>(c.bytes.size()), saved));
        EXPECT_EQ(!c.loads, saved.Empty());
        if (!c.loads) {
            EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_DATA), GetLastError());
            continue;
        }
        BYTE written[kSslBindingBytesCapacity];
        DWORD size = 0;
        ASSERT_TRUE(SerializeSslBinding(saved, written, sizeof(written), &size));
        EXPECT_EQ(c.bytes, std::vector<BYTE>(written, written + size));
    }
    // Cut anywhere, the bytes are no binding.
    for (DWORD size = 1; size < whole.size(); ++size) {
        SavedSslBinding saved;
        EXPECT_FALSE(LoadSslBinding(whole.data(), size, saved)) << size;
        EXPECT_TRUE(saved.Empty());
    }
    // No bytes: no binding, and the other way round.
    SavedSslBinding none;
    DWORD size = 1;
    EXPECT_TRUE(LoadSslBinding(nullptr, 0, none));
    EXPECT_TRUE(none.Empty());
    EXPECT_TRUE(SerializeSslBinding(none, nullptr, 0, &size));
    EXPECT_EQ(0u, size);
    // Too little room says how much it needs.
    SavedSslBinding saved;
    ASSERT_TRUE(LoadSslBinding(whole.data(), static_cast<DWORD>(whole.size()), saved));
    BYTE small[16];
    EXPECT_FALSE(SerializeSslBinding(saved, small, sizeof(small), &size));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());
    EXPECT_EQ(whole.size(), size);
}

// Bytes kept of a binding are set again whole on the endpoint they are restored to, and
// saved from there they are the same bytes.
TEST_F(SslBinding, KeptAsBytesIsRestoredAndSavedWhole)
{
    const std::vector<BYTE> whole = WholeBinding().bytes;
    SavedSslBinding loaded;
    ASSERT_TRUE(LoadSslBinding(whole.data(), static_cast<DWORD>(whole.size()), loaded));
    ASSERT_TRUE(RestoreSslBinding(L"10.1.2.4", loaded));
    ASSERT_FALSE(fake_.calls.empty());
    EXPECT_EQ("set " + std::to_string(sizeof(HTTP_SERVICE_CONFIG_SSL_SET)) + " 10.1.2.4:443 hash " + kHashText +
                  " app 0403020106050807090A0B0C0D0E0F10 store WebHosting checks 4 60 15000 flags 2"
                  " list Server List in CA",
              fake_.calls.back());
    SavedSslBinding saved;
    ASSERT_TRUE(SaveSslBinding(L"10.1.2.4", saved));
    BYTE bytes[kSslBindingBytesCapacity];
    DWORD size = 0;
    ASSERT_TRUE(SerializeSslBinding(saved, bytes, sizeof(bytes), &size));
    EXPECT_EQ(whole, std::vector<BYTE>(bytes, bytes + size));
}
