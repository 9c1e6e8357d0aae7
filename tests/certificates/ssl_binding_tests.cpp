// The HTTP.sys SSL binding through a recording fake of the HTTP Server API configuration
// calls (Wine's are stubs), and once through Wine's own httpapi.
#include <gtest/gtest.h>
#include "system/ssl_binding.h"
#include "system/ssl_binding_calls.h"

#include <string.h>
#include <map>
#include <string>
#include <vector>

namespace {

// A binding record as passed, copied out of the caller's memory.
struct SeenRecord
{
    bool hasEndpoint = false;
    sockaddr_in endpoint = {};
    ULONG hashLength = 0;
    std::vector<BYTE> hash;
    GUID appId = {};
    bool hasCertStoreName = false;
    DWORD certCheckMode = 0xFFFFFFFF, revocationFreshness = 0xFFFFFFFF, revocationTimeout = 0xFFFFFFFF;
    std::wstring ctlIdentifier, ctlStoreName;
    DWORD flags = 0xFFFFFFFF;
};

SeenRecord Copy(const HTTP_SERVICE_CONFIG_SSL_SET& set)
{
    SeenRecord r;
    if (set.KeyDesc.pIpPort != nullptr) {
        r.hasEndpoint = true;
        memcpy(&r.endpoint, set.KeyDesc.pIpPort, sizeof(r.endpoint));
    }
    const HTTP_SERVICE_CONFIG_SSL_PARAM& p = set.ParamDesc;
    r.hashLength = p.SslHashLength;
    if (p.pSslHash != nullptr)
        r.hash.assign(static_cast<BYTE*>(p.pSslHash), static_cast<BYTE*>(p.pSslHash) + p.SslHashLength);
    r.appId = p.AppId;
    r.hasCertStoreName = p.pSslCertStoreName != nullptr;
    r.certCheckMode = p.DefaultCertCheckMode;
    r.revocationFreshness = p.DefaultRevocationFreshnessTime;
    r.revocationTimeout = p.DefaultRevocationUrlRetrievalTimeout;
    r.ctlIdentifier = p.pDefaultSslCtlIdentifier ? p.pDefaultSslCtlIdentifier : L"<none>";
    r.ctlStoreName = p.pDefaultSslCtlStoreName ? p.pDefaultSslCtlStoreName : L"<none>";
    r.flags = p.DefaultFlags;
    return r;
}

struct Call
{
    std::string name;               // "initialize", "set", "query", "delete"
    HTTP_SERVICE_CONFIG_ID configId = HttpServiceConfigMax;
    ULONG length = 0;               // input length
    SeenRecord record;              // set, delete
    HTTP_SERVICE_CONFIG_QUERY_TYPE queryType = HttpServiceConfigQueryMax;
    sockaddr_in queryEndpoint = {};
    DWORD token = 0xFFFFFFFF;
    bool hasOutput = false;
    ULONG outputLength = 0;
    void* output = nullptr;
    bool handleAndOverlappedNull = false;
    HTTPAPI_VERSION version = {};
    ULONG initializeFlags = 0;
};

std::string Key(const sockaddr_in& endpoint)
{
    return std::string(reinterpret_cast<const char*>(&endpoint.sin_addr), 4)
         + std::string(reinterpret_cast<const char*>(&endpoint.sin_port), 2);
}

// HTTP.sys's SSL configuration in miniature: one binding per endpoint, queried the two-call
// way, plus every call recorded in order and each call's result adjustable.
struct FakeHttpConfiguration
{
    std::vector<Call> calls;
    std::map<std::string, SeenRecord> bindings;
    ULONG initializeResult = NO_ERROR;
    ULONG setResult = NO_ERROR;        // when the endpoint is free
    ULONG deleteResult = NO_ERROR;
    ULONG secondQueryResult = NO_ERROR;
    ULONG reportedSize = 0;            // 0: the size the record really needs
    bool secondQueryReturnsNothing = false;

    // What the second query writes: a record whose pointers lead into the same buffer.
    struct Answer
    {
        HTTP_SERVICE_CONFIG_SSL_SET set;
        sockaddr_in endpoint;
        BYTE hash[20];
        wchar_t identifier[64];
        wchar_t store[8];
    };
};
FakeHttpConfiguration* g_fake = nullptr;

ULONG WINAPI FakeInitialize(HTTPAPI_VERSION version, ULONG flags, PVOID reserved)
{
    Call call;
    call.name = "initialize";
    call.version = version;
    call.initializeFlags = flags;
    call.handleAndOverlappedNull = reserved == nullptr;
    g_fake->calls.push_back(call);
    if (g_fake->initializeResult != NO_ERROR)
        return g_fake->initializeResult;
    return HttpInitialize(version, flags, reserved);  // paired with the real HttpTerminate
}

ULONG WINAPI FakeSet(HANDLE handle, HTTP_SERVICE_CONFIG_ID id, PVOID information, ULONG length, LPOVERLAPPED overlapped)
{
    Call call;
    call.name = "set";
    call.configId = id;
    call.length = length;
    call.handleAndOverlappedNull = handle == nullptr && overlapped == nullptr;
    call.record = Copy(*static_cast<HTTP_SERVICE_CONFIG_SSL_SET*>(information));
    g_fake->calls.push_back(call);
    if (g_fake->setResult != NO_ERROR)
        return g_fake->setResult;
    std::string key = Key(call.record.endpoint);
    if (g_fake->bindings.count(key))
        return ERROR_ALREADY_EXISTS;
    g_fake->bindings[key] = call.record;
    return NO_ERROR;
}

ULONG WINAPI FakeQuery(HANDLE handle, HTTP_SERVICE_CONFIG_ID id, PVOID input, ULONG inputLength, PVOID output,
                       ULONG outputLength, PULONG returnLength, LPOVERLAPPED overlapped)
{
    const auto* query = static_cast<HTTP_SERVICE_CONFIG_SSL_QUERY*>(input);
    Call call;
    call.name = "query";
    call.configId = id;
    call.length = inputLength;
    call.handleAndOverlappedNull = handle == nullptr && overlapped == nullptr;
    call.queryType = query->QueryDesc;
    memcpy(&call.queryEndpoint, query->KeyDesc.pIpPort, sizeof(call.queryEndpoint));
    call.token = query->dwToken;
    call.hasOutput = output != nullptr;
    call.outputLength = outputLength;
    call.output = output;
    g_fake->calls.push_back(call);

    auto found = g_fake->bindings.find(Key(call.queryEndpoint));
    if (found == g_fake->bindings.end())
        return ERROR_FILE_NOT_FOUND;
    using Answer = FakeHttpConfiguration::Answer;
    if (output == nullptr) {
        *returnLength = g_fake->reportedSize ? g_fake->reportedSize : sizeof(Answer);
        return ERROR_INSUFFICIENT_BUFFER;
    }
    if (g_fake->secondQueryResult != NO_ERROR)
        return g_fake->secondQueryResult;
    if (g_fake->secondQueryReturnsNothing) {
        *returnLength = 0;
        return NO_ERROR;
    }
    if (outputLength < sizeof(Answer))
        return ERROR_INSUFFICIENT_BUFFER;
    auto* answer = static_cast<Answer*>(output);
    const SeenRecord& r = found->second;
    answer->endpoint = r.endpoint;
    memcpy(answer->hash, r.hash.data(), r.hash.size() < 20 ? r.hash.size() : 20);
    wcscpy(answer->identifier, r.ctlIdentifier.c_str());
    wcscpy(answer->store, r.ctlStoreName.c_str());
    answer->set = HTTP_SERVICE_CONFIG_SSL_SET();
    answer->set.KeyDesc.pIpPort = reinterpret_cast<PSOCKADDR>(&answer->endpoint);
    answer->set.ParamDesc.SslHashLength = r.hashLength;
    answer->set.ParamDesc.pSslHash = answer->hash;
    answer->set.ParamDesc.AppId = r.appId;
    answer->set.ParamDesc.pDefaultSslCtlIdentifier = answer->identifier;
    answer->set.ParamDesc.pDefaultSslCtlStoreName = answer->store;
    *returnLength = sizeof(Answer);
    return NO_ERROR;
}

ULONG WINAPI FakeDelete(HANDLE handle, HTTP_SERVICE_CONFIG_ID id, PVOID information, ULONG length,
                        LPOVERLAPPED overlapped)
{
    Call call;
    call.name = "delete";
    call.configId = id;
    call.length = length;
    call.handleAndOverlappedNull = handle == nullptr && overlapped == nullptr;
    call.output = information;
    call.record = Copy(*static_cast<HTTP_SERVICE_CONFIG_SSL_SET*>(information));
    g_fake->calls.push_back(call);
    if (g_fake->deleteResult != NO_ERROR)
        return g_fake->deleteResult;
    return g_fake->bindings.erase(Key(call.record.endpoint)) ? NO_ERROR : ERROR_FILE_NOT_FOUND;
}

const BYTE kHash[20] = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF, 0xFE, 0xDC,
                        0xBA, 0x98, 0x76, 0x54, 0x32, 0x10, 0x0F, 0x1E, 0x2D, 0x3C};
const BYTE kOtherHash[20] = {0xAA, 0xBB};
const GUID kExpectedAppId = {0x940BA4EE, 0x9896, 0x4711, {0x98, 0x4E, 0x63, 0x4B, 0x6D, 0x9E, 0x4B, 0xE8}};

class SslBinding : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_fake = &fake_;
        g_httpInitialize = FakeInitialize;
        g_httpSetServiceConfiguration = FakeSet;
        g_httpQueryServiceConfiguration = FakeQuery;
        g_httpDeleteServiceConfiguration = FakeDelete;
    }
    void TearDown() override
    {
        g_httpInitialize = HttpInitialize;
        g_httpSetServiceConfiguration = HttpSetServiceConfiguration;
        g_httpQueryServiceConfiguration = HttpQueryServiceConfiguration;
        g_httpDeleteServiceConfiguration = HttpDeleteServiceConfiguration;
        g_fake = nullptr;
    }

    std::vector<std::string> Sequence() const
    {
        std::vector<std::string> names;
        for (const Call& call : fake_.calls)
            names.push_back(call.name);
        return names;
    }
    const Call& Last(const char* name) const
    {
        for (auto it = fake_.calls.rbegin(); it != fake_.calls.rend(); ++it)
            if (it->name == name)
                return *it;
        static Call none;
        ADD_FAILURE() << "no call " << name;
        return none;
    }
    static std::string Address(const sockaddr_in& endpoint)
    {
        const BYTE* b = reinterpret_cast<const BYTE*>(&endpoint.sin_addr);
        return std::to_string(b[0]) + "." + std::to_string(b[1]) + "." + std::to_string(b[2]) + "."
             + std::to_string(b[3]) + ":" + std::to_string(ntohs(endpoint.sin_port));
    }

    FakeHttpConfiguration fake_;
};

using Strings = std::vector<std::string>;

}  // namespace

TEST_F(SslBinding, RecordNamesCertificateTrustListAndEndpoint)
{
    SetLastError(ERROR_ACCESS_DENIED);
    ASSERT_TRUE(SetSslBinding(L"0.0.0.0", kHash, 20));
    EXPECT_EQ(0u, GetLastError());
    // The removal comes first, in its own initialisation.
    EXPECT_EQ((Strings{"initialize", "query", "initialize", "set"}), Sequence());

    const Call& init = Last("initialize");
    EXPECT_EQ(1, init.version.HttpApiMajorVersion);
    EXPECT_EQ(0, init.version.HttpApiMinorVersion);
    EXPECT_EQ(static_cast<ULONG>(HTTP_INITIALIZE_CONFIG), init.initializeFlags);
    EXPECT_TRUE(init.handleAndOverlappedNull);

    const Call& set = Last("set");
    EXPECT_EQ(HttpServiceConfigSSLCertInfo, set.configId);
    EXPECT_EQ(sizeof(HTTP_SERVICE_CONFIG_SSL_SET), set.length);
    EXPECT_TRUE(set.handleAndOverlappedNull);
    const SeenRecord& r = set.record;
    ASSERT_TRUE(r.hasEndpoint);
    EXPECT_EQ(AF_INET, r.endpoint.sin_family);
    EXPECT_EQ("0.0.0.0:443", Address(r.endpoint));
    EXPECT_EQ(20u, r.hashLength);
    EXPECT_EQ(std::vector<BYTE>(kHash, kHash + 20), r.hash);
    EXPECT_TRUE(IsEqualGUID(kExpectedAppId, r.appId));
    EXPECT_FALSE(r.hasCertStoreName);
    EXPECT_EQ(0u, r.certCheckMode);
    EXPECT_EQ(0u, r.revocationFreshness);
    EXPECT_EQ(0u, r.revocationTimeout);
    EXPECT_EQ(L"{9C30DF97-C0B3-40a2-903E-A790DFF0A87C}", r.ctlIdentifier);
    EXPECT_EQ(L"CA", r.ctlStoreName);
    EXPECT_EQ(0u, r.flags);
}

TEST_F(SslBinding, QueryAsksExactlyForTheEndpointWithoutBuffer)
{
    ASSERT_TRUE(SetSslBinding(L"10.1.2.4", kHash, 20));  // another endpoint: stays as it is
    fake_.calls.clear();
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), RemoveSslBinding(L"10.1.2.3"));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
    EXPECT_EQ((Strings{"initialize", "query"}), Sequence());
    const Call& query = Last("query");
    EXPECT_EQ(HttpServiceConfigSSLCertInfo, query.configId);
    EXPECT_EQ(sizeof(HTTP_SERVICE_CONFIG_SSL_QUERY), query.length);
    EXPECT_EQ(HttpServiceConfigQueryExact, query.queryType);
    EXPECT_EQ("10.1.2.3:443", Address(query.queryEndpoint));
    EXPECT_EQ(0u, query.token);
    EXPECT_FALSE(query.hasOutput);
    EXPECT_EQ(0u, query.outputLength);
    EXPECT_TRUE(query.handleAndOverlappedNull);
    ASSERT_EQ(1u, fake_.bindings.size());
    EXPECT_EQ("10.1.2.4:443", Address(fake_.bindings.begin()->second.endpoint));
}

TEST_F(SslBinding, SecondSetReplacesTheFirstBinding)
{
    ASSERT_TRUE(SetSslBinding(L"10.1.2.3", kOtherHash, 20));
    fake_.calls.clear();
    ASSERT_TRUE(SetSslBinding(L"10.1.2.3", kHash, 20));
    // Query for the size, query into a buffer, delete what it returned, then set.
    EXPECT_EQ((Strings{"initialize", "query", "query", "delete", "initialize", "set"}), Sequence());

    const Call& second = fake_.calls[2];
    EXPECT_TRUE(second.hasOutput);
    EXPECT_GE(second.outputLength, sizeof(FakeHttpConfiguration::Answer));
    EXPECT_EQ("10.1.2.3:443", Address(second.queryEndpoint));

    const Call& removal = Last("delete");
    EXPECT_EQ(HttpServiceConfigSSLCertInfo, removal.configId);
    EXPECT_EQ(sizeof(HTTP_SERVICE_CONFIG_SSL_SET), removal.length);
    EXPECT_EQ(second.output, removal.output);  // the returned record as it is
    EXPECT_EQ(std::vector<BYTE>(kOtherHash, kOtherHash + 20), removal.record.hash);
    EXPECT_EQ("10.1.2.3:443", Address(removal.record.endpoint));

    ASSERT_EQ(1u, fake_.bindings.size());
    EXPECT_EQ(std::vector<BYTE>(kHash, kHash + 20), fake_.bindings.begin()->second.hash);
}

TEST_F(SslBinding, AddressWithTwoDotsBindsTheBroadcastAddress)
{
    ASSERT_TRUE(SetSslBinding(L"10.1.2", kHash, 20));
    EXPECT_EQ("255.255.255.255:443", Address(Last("set").record.endpoint));
}

TEST_F(SslBinding, FailuresOfTheRemovalAreItsResult)
{
    ASSERT_TRUE(SetSslBinding(L"10.1.2.3", kHash, 20));

    fake_.deleteResult = ERROR_ACCESS_DENIED;
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), RemoveSslBinding(L"10.1.2.3"));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
    fake_.deleteResult = NO_ERROR;

    fake_.calls.clear();
    fake_.secondQueryResult = ERROR_INVALID_DATA;
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_DATA), RemoveSslBinding(L"10.1.2.3"));
    EXPECT_EQ((Strings{"initialize", "query", "query"}), Sequence());
    fake_.secondQueryResult = NO_ERROR;

    // A second query that returns no record deletes nothing.
    fake_.calls.clear();
    fake_.secondQueryReturnsNothing = true;
    EXPECT_EQ(0u, RemoveSslBinding(L"10.1.2.3"));
    EXPECT_EQ((Strings{"initialize", "query", "query"}), Sequence());
    EXPECT_EQ(1u, fake_.bindings.size());
}

TEST_F(SslBinding, BufferNeverSmallerThanTheRecordTheDeletionReads)
{
    ASSERT_TRUE(SetSslBinding(L"10.1.2.3", kHash, 20));
    fake_.calls.clear();
    fake_.reportedSize = 4;
    RemoveSslBinding(L"10.1.2.3");
    ASSERT_GE(fake_.calls.size(), 3u);
    EXPECT_GE(fake_.calls[2].outputLength, sizeof(HTTP_SERVICE_CONFIG_SSL_SET));
}

TEST_F(SslBinding, RefusedRecordIsFalseWithTheCode)
{
    fake_.setResult = ERROR_INVALID_PARAMETER;
    EXPECT_FALSE(SetSslBinding(L"10.1.2.3", kHash, 20));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
}

TEST_F(SslBinding, FailedRemovalStillTriesTheNewBinding)
{
    ASSERT_TRUE(SetSslBinding(L"10.1.2.3", kOtherHash, 20));
    fake_.deleteResult = ERROR_ACCESS_DENIED;
    fake_.calls.clear();
    EXPECT_FALSE(SetSslBinding(L"10.1.2.3", kHash, 20));
    EXPECT_EQ((Strings{"initialize", "query", "query", "delete", "initialize", "set"}), Sequence());
    EXPECT_EQ(static_cast<DWORD>(ERROR_ALREADY_EXISTS), GetLastError());
}

TEST_F(SslBinding, FailedInitialisationLeavesItsCode)
{
    fake_.initializeResult = ERROR_SERVICE_DOES_NOT_EXIST;
    SetLastError(0);
    EXPECT_FALSE(SetSslBinding(L"10.1.2.3", kHash, 20));
    EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST), GetLastError());
    EXPECT_EQ((Strings{"initialize", "initialize"}), Sequence());

    SetLastError(0);
    EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST), RemoveSslBinding(L"10.1.2.3"));
    EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST), GetLastError());
}

TEST_F(SslBinding, MissingArgumentsAreInvalidAndCallNothing)
{
    EXPECT_FALSE(SetSslBinding(nullptr, kHash, 20));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
    EXPECT_FALSE(SetSslBinding(L"10.1.2.3", nullptr, 20));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), RemoveSslBinding(nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
    EXPECT_TRUE(fake_.calls.empty());
}

// Wine's own HTTP Server API: configuration calls are stubs that store nothing, and a query
// never finds a binding.
TEST(SslBindingOnWine, RunsAgainstWinesHttpApi)
{
    ASSERT_EQ(reinterpret_cast<void*>(HttpSetServiceConfiguration), reinterpret_cast<void*>(g_httpSetServiceConfiguration));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), RemoveSslBinding(L"0.0.0.0"));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
    EXPECT_TRUE(SetSslBinding(L"0.0.0.0", kHash, 20));
    EXPECT_EQ(0u, GetLastError());
}
