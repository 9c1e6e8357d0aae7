// The server's trust list in the machine's "CA" store.
#include <gtest/gtest.h>
#include "base/scoped_handle.h"
#include "base/scoped_seam.h"
#include "system/certificates/trust_list.h"
#include "system/certificates/trust_list_seams.h"

#include <string.h>
#include <string>
#include <vector>

namespace {

// Every list in the machine's "CA" store whose identifier is the server's.
std::vector<UniqueCtlContext> ServerLists()
{
    UniqueCertStore store(CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"CA"));
    std::vector<UniqueCtlContext> lists;
    PCCTL_CONTEXT list = nullptr;
    while ((list = CertEnumCTLsInStore(store.Get(), list)) != nullptr) {
        const CRYPT_DATA_BLOB& id = list->pCtlInfo->ListIdentifier;
        if (id.cbData == 78 && memcmp(id.pbData, kServerTrustListIdentifier, 78) == 0)
            lists.emplace_back(CertDuplicateCTLContext(list));
    }
    return lists;
}

std::vector<BYTE> Encoded(PCCTL_CONTEXT list)
{
    return std::vector<BYTE>(list->pbCtlEncoded, list->pbCtlEncoded + list->cbCtlEncoded);
}

// A property's bytes, as the text with its terminator.
std::wstring Property(PCCTL_CONTEXT list, DWORD property)
{
    DWORD size = 0;
    if (!CertGetCTLContextProperty(list, property, nullptr, &size))
        return L"<missing>";
    std::wstring text(size / 2 + size % 2, L'?');
    CertGetCTLContextProperty(list, property, &text[0], &size);
    return size % 2 ? text + L"<odd size>" : text;
}

DWORD MessageCount(PCCTL_CONTEXT list, DWORD parameter)
{
    HCRYPTMSG message = CryptMsgOpenToDecode(X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, 0, 0, 0, nullptr, nullptr);
    DWORD count = 0xFFFFFFFF, size = sizeof(count);
    if (CryptMsgUpdate(message, list->pbCtlEncoded, list->cbCtlEncoded, TRUE))
        CryptMsgGetParam(message, parameter, 0, &count, &size);
    CryptMsgClose(message);
    return count;
}

// An unsigned list with the identifier `id` in a memory store.
PCCTL_CONTEXT AddList(HCERTSTORE store, const std::vector<BYTE>& id)
{
    LPSTR usage = const_cast<LPSTR>("1.3.6.1.5.5.7.3.2");
    CTL_INFO info = {};
    info.SubjectUsage.cUsageIdentifier = 1;
    info.SubjectUsage.rgpszUsageIdentifier = &usage;
    info.ListIdentifier.cbData = static_cast<DWORD>(id.size());
    info.ListIdentifier.pbData = const_cast<BYTE*>(id.data());
    info.SubjectAlgorithm.pszObjId = const_cast<LPSTR>("1.3.14.3.2.26");
    GetSystemTimeAsFileTime(&info.ThisUpdate);
    CMSG_SIGNED_ENCODE_INFO signing = {};
    signing.cbSize = sizeof(signing);
    BYTE encoded[1024];
    DWORD size = sizeof(encoded);
    PCCTL_CONTEXT added = nullptr;
    if (CryptMsgEncodeAndSignCTL(X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, &info, &signing, 0, encoded, &size))
        CertAddEncodedCTLToStore(store, X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, encoded, size,
                                 CERT_STORE_ADD_ALWAYS, &added);
    return added;
}

const std::vector<BYTE> kServerId(reinterpret_cast<const BYTE*>(kServerTrustListIdentifier),
                                  reinterpret_cast<const BYTE*>(kServerTrustListIdentifier) + 78);

// Records the identifier and the kind of the list search; answers with `answer`.
struct CtlSearchRecord
{
    int calls = 0;
    DWORD type = 0;
    std::vector<BYTE> identifier;
    PCCTL_CONTEXT answer = nullptr;
};
CtlSearchRecord g_ctlSearch;

PCCTL_CONTEXT WINAPI RecordingFindCtl(HCERTSTORE, DWORD, DWORD, DWORD type, const void* para, PCCTL_CONTEXT)
{
    const CRYPT_DATA_BLOB& id = static_cast<const CTL_FIND_USAGE_PARA*>(para)->ListIdentifier;
    ++g_ctlSearch.calls;
    g_ctlSearch.type = type;
    g_ctlSearch.identifier.assign(id.pbData, id.pbData + id.cbData);
    return g_ctlSearch.answer ? CertDuplicateCTLContext(g_ctlSearch.answer) : nullptr;
}

class ServerTrustList : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(DeleteServerTrustList()); }
    void TearDown() override { EXPECT_TRUE(DeleteServerTrustList()); }
};

}  // namespace

// The usages and identifier that the binding's trust list is looked up by, no signers, its
// name and description; a second run finds it, makes none and changes nothing.
TEST_F(ServerTrustList, IsCreatedOnceAsTheBindingExpectsIt)
{
    std::vector<BYTE> first;
    for (int run = 1; run <= 2; ++run) {
        SCOPED_TRACE(testing::Message() << "run " << run);
        bool created = run == 2;
        SetLastError(ERROR_ACCESS_DENIED);
        ASSERT_TRUE(EnsureServerTrustList(&created)) << "error " << std::hex << GetLastError();
        EXPECT_EQ(0u, GetLastError());
        EXPECT_EQ(run == 1, created);

        std::vector<UniqueCtlContext> lists = ServerLists();
        ASSERT_EQ(1u, lists.size());
        PCCTL_CONTEXT list = lists[0].Get();
        const CTL_INFO& info = *list->pCtlInfo;
        ASSERT_EQ(2u, info.SubjectUsage.cUsageIdentifier);
        EXPECT_EQ((std::vector<std::string>{"1.3.6.1.5.5.7.3.2", "1.3.6.1.4.1.311.30.1", "1.3.14.3.2.26"}),
                  (std::vector<std::string>{info.SubjectUsage.rgpszUsageIdentifier[0],
                                            info.SubjectUsage.rgpszUsageIdentifier[1], info.SubjectAlgorithm.pszObjId}));
        EXPECT_EQ(std::wstring(L"{9C30DF97-C0B3-40a2-903E-A790DFF0A87C}", 39),
                  std::wstring(reinterpret_cast<const wchar_t*>(info.ListIdentifier.pbData), info.ListIdentifier.cbData / 2));
        EXPECT_EQ(0u, MessageCount(list, CMSG_SIGNER_COUNT_PARAM));
        EXPECT_EQ(std::wstring(L"Velmora Server CTL", 19), Property(list, CERT_FRIENDLY_NAME_PROP_ID));
        EXPECT_EQ(std::wstring(L"This CTL is to be used as the list of trusted roots for Velmora Server", 71),
                  Property(list, CERT_DESCRIPTION_PROP_ID));
        if (run == 1)
            first = Encoded(list);
        EXPECT_EQ(first, Encoded(list));
    }
}

TEST(ServerTrustListById, FindsTheListWithTheServerIdentifierOnly)
{
    UniqueCertStore store(CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, 0, nullptr));
    ASSERT_TRUE(store);
    std::vector<BYTE> other = kServerId, shorter = kServerId;
    other[2] ^= 1;       // same length, one byte apart
    shorter.resize(76);  // without the terminator
    for (const std::vector<BYTE>& id : {other, shorter}) {
        UniqueCtlContext added(AddList(store.Get(), id));
        SetLastError(0);
        EXPECT_EQ(nullptr, FindServerTrustListById(store.Get()));
        EXPECT_EQ(static_cast<DWORD>(CRYPT_E_NOT_FOUND), GetLastError());
    }
    UniqueCtlContext ours(AddList(store.Get(), kServerId)), found(FindServerTrustListById(store.Get()));
    ASSERT_TRUE(ours && found);
    EXPECT_EQ(Encoded(ours.Get()), Encoded(found.Get()));
}

TEST_F(ServerTrustList, SearchByUsageComesFirstAndItsAnswerIsTrusted)
{
    UniqueCertStore memory(CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, 0, nullptr));
    UniqueCtlContext answer(AddList(memory.Get(), kServerId));
    ASSERT_TRUE(answer);
    g_ctlSearch = CtlSearchRecord();
    g_ctlSearch.answer = answer.Get();
    ScopedSeam findList(g_certFindCtlInStoreCall, RecordingFindCtl);

    EXPECT_TRUE(EnsureServerTrustList()) << "error " << std::hex << GetLastError();
    ASSERT_EQ(1, g_ctlSearch.calls);
    EXPECT_EQ(static_cast<DWORD>(CTL_FIND_USAGE), g_ctlSearch.type);
    EXPECT_EQ(kServerId, g_ctlSearch.identifier);

    EXPECT_TRUE(ServerLists().empty()) << "the list it named was taken as the existing one";
}
