// Installing the root certificate file into the machine's "Root" store. (Added over itself it
// stays one entry that the run did not add: the root certificate rows of ChangeKinds.)
#include <gtest/gtest.h>
#include "certificates/certificate_fixtures.h"
#include "support/at_scope_exit.h"
#include "system/certificates/certificate_import.h"

TEST(RootCertificate, FileIsAddedOnlyWhenItIsACertificate)
{
    const std::vector<BYTE> hash = RootCertificateHash();
    ASSERT_EQ(20u, hash.size());
    RemoveFromMachineStore(L"Root", hash);
    AtScopeExit remove([&] { RemoveFromMachineStore(L"Root", hash); });
    int before = CountInMachineStore(L"Root");
    // A missing file gives the error of opening it; a file that is no certificate is refused.
    const struct { const wchar_t* file; DWORD code; } refused[] = {
        {L"no_such_file.cer", static_cast<DWORD>(ERROR_FILE_NOT_FOUND)}, {L"test_no_key.pfx", 0}};
    for (const auto& c : refused) {
        SCOPED_TRACE(testing::Message() << c.file);
        DWORD code = InstallRootCertificate(CertificateFilePath(c.file).c_str(), L"Root");
        EXPECT_NE(0u, code);
        if (c.code != 0) {
            EXPECT_EQ(c.code, code);
        }
        EXPECT_EQ(code, GetLastError());
        EXPECT_EQ(before, CountInMachineStore(L"Root"));
    }
    SetLastError(ERROR_ACCESS_DENIED);
    ASSERT_EQ(0u, InstallRootCertificate(CertificateFilePath(L"BrindlewayRootCA.cer").c_str(), L"Root"));
    EXPECT_EQ(0u, GetLastError());
    EXPECT_EQ(1, CountInMachineStore(L"Root", hash));
}
