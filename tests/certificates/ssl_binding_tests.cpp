// The HTTP.sys SSL binding and its endpoint: through a recording fake of the HTTP Server API
// configuration calls (Wine's are stubs), and once through Wine's own httpapi.
#include <gtest/gtest.h>
#include "base/scoped_seam.h"
#include "system/http/ssl_binding.h"
#include "system/http/ssl_binding_seams.h"

#include <string.h>
#include <map>
#include <string>
#include <tuple>
#include <vector>

namespace {

// "a.b.c.d:port" from the address bytes in memory (network) order and the port.
std::string Address(const sockaddr_in& endpoint)
{
    const BYTE* b = reinterpret_cast<const BYTE*>(&endpoint.sin_addr);
    return std::to_string(b[0]) + "." + std::to_string(b[1]) + "." + std::to_string(b[2]) + "."
         + std::to_string(b[3]) + ":" + std::to_string(ntohs(endpoint.sin_port));
}

// One configuration call, with what it was given copied out of the caller's memory.
struct Call
{
    std::string name;  // "initialize", "set", "query", "delete"
    HTTP_SERVICE_CONFIG_ID configId = HttpServiceConfigMax;
    ULONG length = 0, outputLength = 0, initializeFlags = 0;
    bool nullHandleAndOverlapped = false;
    HTTPAPI_VERSION version = {};
    HTTP_SERVICE_CONFIG_SSL_QUERY query = {};  // of a query
    HTTP_SERVICE_CONFIG_SSL_PARAM param = {};  // of a set or delete; its pointers are not followed later
    bool hasEndpoint = false;
    sockaddr_in endpoint = {};
    std::vector<BYTE> hash;
    std::wstring ctlIdentifier, ctlStoreName;
    void* buffer = nullptr;  // the query's output, the deletion's record
};

// HTTP.sys's SSL configuration in miniature: one binding per endpoint, queried the two-call
// way, plus every call recorded in order and each call's result adjustable.
struct FakeHttpConfiguration
{
    std::vector<Call> calls;
    std::map<std::string, Call> bindings;  // by address
    ULONG initializeResult = NO_ERROR, setResult = NO_ERROR, deleteResult = NO_ERROR, secondQueryResult = NO_ERROR;
    ULONG reportedSize = 0;  // 0: the size the record really needs
    bool secondQueryReturnsNothing = false;

    // What the second query writes: a record whose pointers lead into the same buffer.
    struct Answer
    {
        HTTP_SERVICE_CONFIG_SSL_SET set;
        sockaddr_in endpoint;
        BYTE hash[20];
        wchar_t identifier[64], store[8];
    };
};
FakeHttpConfiguration* g_fake = nullptr;

Call& Record(const char* name, HANDLE handle, HTTP_SERVICE_CONFIG_ID id, ULONG length, LPOVERLAPPED overlapped)
{
    g_fake->calls.emplace_back();
    Call& call = g_fake->calls.back();
    call.name = name;
    call.configId = id;
    call.length = length;
    call.nullHandleAndOverlapped = handle == nullptr && overlapped == nullptr;
    return call;
}

Call& RecordBinding(const char* name, HANDLE handle, HTTP_SERVICE_CONFIG_ID id, PVOID information, ULONG length,
                    LPOVERLAPPED overlapped)
{
    Call& call = Record(name, handle, id, length, overlapped);
    const auto& set = *static_cast<const HTTP_SERVICE_CONFIG_SSL_SET*>(information);
    const HTTP_SERVICE_CONFIG_SSL_PARAM& p = set.ParamDesc;
    call.param = p;
    call.hasEndpoint = set.KeyDesc.pIpPort != nullptr;
    if (call.hasEndpoint)
        memcpy(&call.endpoint, set.KeyDesc.pIpPort, sizeof(call.endpoint));
    if (p.pSslHash != nullptr)
        call.hash.assign(static_cast<BYTE*>(p.pSslHash), static_cast<BYTE*>(p.pSslHash) + p.SslHashLength);
    call.ctlIdentifier = p.pDefaultSslCtlIdentifier ? p.pDefaultSslCtlIdentifier : L"<none>";
    call.ctlStoreName = p.pDefaultSslCtlStoreName ? p.pDefaultSslCtlStoreName : L"<none>";
    call.buffer = information;
    return call;
}

ULONG WINAPI FakeInitialize(HTTPAPI_VERSION version, ULONG flags, PVOID reserved)
{
    Call& call = Record("initialize", nullptr, HttpServiceConfigMax, 0, static_cast<LPOVERLAPPED>(reserved));
    call.version = version;
    call.initializeFlags = flags;
    if (g_fake->initializeResult != NO_ERROR)
        return g_fake->initializeResult;
    return HttpInitialize(version, flags, reserved);  // paired with the real HttpTerminate
}

ULONG WINAPI FakeSet(HANDLE handle, HTTP_SERVICE_CONFIG_ID id, PVOID information, ULONG length, LPOVERLAPPED overlapped)
{
    const Call& call = RecordBinding("set", handle, id, information, length, overlapped);
    if (g_fake->setResult != NO_ERROR)
        return g_fake->setResult;
    return g_fake->bindings.emplace(Address(call.endpoint), call).second ? NO_ERROR : ERROR_ALREADY_EXISTS;
}

ULONG WINAPI FakeQuery(HANDLE handle, HTTP_SERVICE_CONFIG_ID id, PVOID input, ULONG inputLength, PVOID output,
                       ULONG outputLength, PULONG returnLength, LPOVERLAPPED overlapped)
{
    Call& call = Record("query", handle, id, inputLength, overlapped);
    call.query = *static_cast<HTTP_SERVICE_CONFIG_SSL_QUERY*>(input);
    memcpy(&call.endpoint, call.query.KeyDesc.pIpPort, sizeof(call.endpoint));
    call.outputLength = outputLength;
    call.buffer = output;

    auto found = g_fake->bindings.find(Address(call.endpoint));
    if (found == g_fake->bindings.end())
        return ERROR_FILE_NOT_FOUND;
    using Answer = FakeHttpConfiguration::Answer;
    if (output == nullptr) {
        *returnLength = g_fake->reportedSize ? g_fake->reportedSize : sizeof(Answer);
        return ERROR_INSUFFICIENT_BUFFER;
    }
    if (g_fake->secondQueryResult != NO_ERROR)
        return g_fake->secondQueryResult;
    *returnLength = 0;
    if (g_fake->secondQueryReturnsNothing)
        return NO_ERROR;
    if (outputLength < sizeof(Answer))
        return ERROR_INSUFFICIENT_BUFFER;
    auto* answer = static_cast<Answer*>(output);
    const Call& r = found->second;
    answer->endpoint = r.endpoint;
    memcpy(answer->hash, r.hash.data(), r.hash.size() < 20 ? r.hash.size() : 20);
    wcscpy(answer->identifier, r.ctlIdentifier.c_str());
    wcscpy(answer->store, r.ctlStoreName.c_str());
    answer->set = HTTP_SERVICE_CONFIG_SSL_SET();
    answer->set.KeyDesc.pIpPort = reinterpret_cast<PSOCKADDR>(&answer->endpoint);
    answer->set.ParamDesc.SslHashLength = r.param.SslHashLength;
    answer->set.ParamDesc.pSslHash = answer->hash;
    answer->set.ParamDesc.AppId = r.param.AppId;
    answer->set.ParamDesc.pDefaultSslCtlIdentifier = answer->identifier;
    answer->set.ParamDesc.pDefaultSslCtlStoreName = answer->store;
    *returnLength = sizeof(Answer);
    return NO_ERROR;
}

ULONG WINAPI FakeDelete(HANDLE handle, HTTP_SERVICE_CONFIG_ID id, PVOID information, ULONG length,
                        LPOVERLAPPED overlapped)
{
    const Call& call = RecordBinding("delete", handle, id, information, length, overlapped);
    if (g_fake->deleteResult != NO_ERROR)
        return g_fake->deleteResult;
    return g_fake->bindings.erase(Address(call.endpoint)) ? NO_ERROR : ERROR_FILE_NOT_FOUND;
}

const BYTE kHash[20] = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF, 0xFE, 0xDC,
                        0xBA, 0x98, 0x76, 0x54, 0x32, 0x10, 0x0F, 0x1E, 0x2D, 0x3C};
const BYTE kOtherHash[20] = {0xAA, 0xBB};
using Strings = std::vector<std::string>;

class SslBinding : public ::testing::Test
{
protected:
    void SetUp() override { g_fake = &fake_; }
    void TearDown() override { g_fake = nullptr; }

    Strings Sequence() const
    {
        Strings names;
        for (const Call& call : fake_.calls)
            names.push_back(call.name);
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
    EXPECT_EQ(AF_INET, SslBindingEndpoint(L"10.1.2.3").sin_family);
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

TEST_F(SslBinding, RecordNamesCertificateTrustListAndEndpoint)
{
    SetLastError(ERROR_ACCESS_DENIED);
    ASSERT_TRUE(SetSslBinding(L"0.0.0.0", kHash, 20));
    EXPECT_EQ(0u, GetLastError());
    // The removal comes first, in its own initialisation.
    ASSERT_EQ((Strings{"initialize", "query", "initialize", "set"}), Sequence());

    const Call& init = fake_.calls[2];
    // Version 1.0, configuration only, no reserved pointer.
    EXPECT_EQ(std::make_tuple(1, 0, static_cast<ULONG>(HTTP_INITIALIZE_CONFIG), true),
              std::make_tuple(init.version.HttpApiMajorVersion, init.version.HttpApiMinorVersion, init.initializeFlags,
                              init.nullHandleAndOverlapped));
    const Call& set = fake_.calls[3];
    EXPECT_EQ(std::make_tuple(HttpServiceConfigSSLCertInfo, static_cast<ULONG>(sizeof(HTTP_SERVICE_CONFIG_SSL_SET)),
                              true, true),
              std::make_tuple(set.configId, set.length, set.nullHandleAndOverlapped, set.hasEndpoint));
    EXPECT_EQ(AF_INET, set.endpoint.sin_family);
    EXPECT_EQ("0.0.0.0:443", Address(set.endpoint));
    const HTTP_SERVICE_CONFIG_SSL_PARAM& p = set.param;
    EXPECT_EQ(20u, p.SslHashLength);
    EXPECT_EQ(std::vector<BYTE>(kHash, kHash + 20), set.hash);
    // The machine's "MY" store, no checks, no revocation settings, no flags.
    EXPECT_EQ(nullptr, p.pSslCertStoreName);
    EXPECT_EQ(std::make_tuple(0u, 0u, 0u, 0u), std::make_tuple(p.DefaultCertCheckMode, p.DefaultRevocationFreshnessTime,
                                                             p.DefaultRevocationUrlRetrievalTimeout, p.DefaultFlags));
    EXPECT_EQ(L"{9C30DF97-C0B3-40a2-903E-A790DFF0A87C}", set.ctlIdentifier);
    EXPECT_EQ(L"CA", set.ctlStoreName);
}

TEST_F(SslBinding, QueryAsksExactlyForTheEndpointWithoutBuffer)
{
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), RemoveSslBinding(L"10.1.2.3"));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
    ASSERT_EQ((Strings{"initialize", "query"}), Sequence());
    const Call& query = fake_.calls[1];
    EXPECT_EQ(std::make_tuple(HttpServiceConfigSSLCertInfo, static_cast<ULONG>(sizeof(HTTP_SERVICE_CONFIG_SSL_QUERY)),
                              HttpServiceConfigQueryExact, 0ul, static_cast<void*>(nullptr), 0ul, true),
              std::make_tuple(query.configId, query.length, query.query.QueryDesc, query.query.dwToken, query.buffer,
                              query.outputLength, query.nullHandleAndOverlapped));
    EXPECT_EQ("10.1.2.3:443", Address(query.endpoint));
}

TEST_F(SslBinding, SecondSetReplacesTheFirstBinding)
{
    ASSERT_TRUE(SetSslBinding(L"10.1.2.3", kOtherHash, 20));
    fake_.calls.clear();
    ASSERT_TRUE(SetSslBinding(L"10.1.2.3", kHash, 20));
    // Query for the size, query into a buffer, delete what it returned, then set.
    ASSERT_EQ((Strings{"initialize", "query", "query", "delete", "initialize", "set"}), Sequence());
    const Call& second = fake_.calls[2];
    const Call& removal = fake_.calls[3];
    EXPECT_EQ(std::make_tuple(HttpServiceConfigSSLCertInfo, static_cast<ULONG>(sizeof(HTTP_SERVICE_CONFIG_SSL_SET)),
                              second.buffer),  // the returned record as it is
              std::make_tuple(removal.configId, removal.length, removal.buffer));
    EXPECT_EQ(std::vector<BYTE>(kOtherHash, kOtherHash + 20), removal.hash);
    EXPECT_EQ("10.1.2.3:443", Address(removal.endpoint));
    ASSERT_EQ(1u, fake_.bindings.size());
    EXPECT_EQ(std::vector<BYTE>(kHash, kHash + 20), fake_.bindings.begin()->second.hash);
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
        ULONG FakeHttpConfiguration::*result;  // the call made to fail, with `code`
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
        EXPECT_EQ(c.calls, Sequence());
    }
    // A second query that returns no record deletes nothing.
    fake_ = FakeHttpConfiguration();
    ASSERT_TRUE(SetSslBinding(L"10.1.2.3", kOtherHash, 20));
    fake_.calls.clear();
    fake_.secondQueryReturnsNothing = true;
    EXPECT_EQ(0u, RemoveSslBinding(L"10.1.2.3"));
    EXPECT_EQ((Strings{"initialize", "query", "query"}), Sequence());
    EXPECT_EQ(1u, fake_.bindings.size());
    // The buffer is never smaller than the record that the deletion reads.
    fake_.calls.clear();
    fake_.reportedSize = 4;
    RemoveSslBinding(L"10.1.2.3");
    ASSERT_GE(fake_.calls.size(), 3u);
    EXPECT_GE(fake_.calls[2].outputLength, sizeof(HTTP_SERVICE_CONFIG_SSL_SET));
}

// Wine's own HTTP Server API: configuration calls are stubs that store nothing, and a query
// never finds a binding.
// Taken as the seam's definition takes it, by an initializer of a global with external
// linkage: that names the import thunk, an expression in a function the imported address;
// both reach Wine's call.
HttpSetServiceConfigurationCall g_realSetCall = HttpSetServiceConfiguration;

TEST(SslBindingOnWine, RunsAgainstWinesHttpApi)
{
    ASSERT_EQ(reinterpret_cast<void*>(g_realSetCall), reinterpret_cast<void*>(g_httpSetServiceConfigurationCall));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), RemoveSslBinding(L"0.0.0.0"));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
    EXPECT_TRUE(SetSslBinding(L"0.0.0.0", kHash, 20));
    EXPECT_EQ(0u, GetLastError());
}
